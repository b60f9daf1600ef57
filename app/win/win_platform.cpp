#include "app/win/win_platform.h"

#include "app/layout.h"
#include "app/win/resource_ids.h"
#include "app/win/win_text.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace fanbord::win {

namespace {

constexpr UINT kLoadMessage = WM_APP + 1;
// A wait longer than this wakes once to look again.
constexpr double kLongestWait = 86400;
constexpr UINT_PTR kPlayTimer = 1, kTimer2 = 2;
constexpr int kInfoId = 101, kQuitId = 102;
const wchar_t* const kWindowClass = L"FanbordWindow";
const wchar_t* const kBoardClass = L"FanbordBoard";
const wchar_t* const kBoxClass = L"FanbordBox";

int artId(layout::Art art, int index) {
    switch (art) {
    case layout::Art::Board: return FANBORD_ART_BOARD;
    case layout::Art::Tile: return FANBORD_ART_TILE0 + index;
    case layout::Art::SwedishFlag: return FANBORD_ART_SVERIGE;
    case layout::Art::ProgressBar: return FANBORD_ART_PROGRESS;
    case layout::Art::Marker: return FANBORD_ART_MARKER;
    case layout::Art::InfoFace: return FANBORD_ART_INFO;
    case layout::Art::QuitFace: return FANBORD_ART_QUIT;
    case layout::Art::None: break;
    }
    return 0;
}

std::shared_ptr<Bitmap> artFor(layout::Art art, int index) {
    const int id = artId(art, index);
    return id ? loadPicture(id) : nullptr;
}

// Points at the classic 96 dpi, so the text has the same pixel size everywhere;
// the default is the system's 8-point dialog font.
HFONT fontFor(const layout::WidgetSpec& s) {
    const std::wstring family = s.font.empty() ? L"MS Sans Serif" : widen(std::string(s.font));
    const int pixels = s.fontPoints > 0 ? int(std::lround(s.fontPoints * 96.0 / 72.0)) : 11;
    return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, family.c_str());
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, LONG_PTR(create->lpCreateParams));
    }
    auto* platform = reinterpret_cast<WinPlatform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return platform ? platform->windowMessage(hwnd, message, wp, lp) : DefWindowProcW(hwnd, message, wp, lp);
}

LRESULT CALLBACK boxProc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    auto* box = reinterpret_cast<WinPictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT && box) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const auto image = box->composed(box->underlay);
        BitBlt(dc, 0, 0, image->width(), image->height(), image->dc(), 0, 0, SRCCOPY);
        EndPaint(hwnd, &ps);
        return 0;
    }
    // Clicks fall through to the board, as on a windowless surface.
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    return DefWindowProcW(hwnd, message, wp, lp);
}

void registerClasses(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512) /* IDC_ARROW */);
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
    wc.lpszClassName = kBoardClass;
    wc.hbrBackground = nullptr;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = boxProc;
    wc.lpszClassName = kBoxClass;
    RegisterClassExW(&wc);
}

} // namespace

WinPlatform::WinPlatform(HINSTANCE instance, MediaFramework& media) : instance_(instance), media_(media) {
    icon_ = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(FANBORD_IDI_ICON), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE | LR_SHARED));
    registerClasses(instance, icon_);
    build();
}

WinPlatform::~WinPlatform() {
    timers_.clear();
    if (window_)
        DestroyWindow(window_);
}

void WinPlatform::build() {
    using namespace layout;
    // Centred on the work area from the start, so it never shows anywhere else.
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    window_ = CreateWindowExW(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kWindowClass, L"Fanbord", WS_POPUP | WS_CLIPCHILDREN,
                              area.left + (area.right - area.left - kWindowWidth) / 2,
                              area.top + (area.bottom - area.top - kWindowHeight) / 2, kWindowWidth, kWindowHeight,
                              nullptr, nullptr, instance_, this);
    HWND boardWindow = nullptr;
    int nextTool = 0;
    auto windowOf = [&](Name n) -> HWND {
        if (n == Name::Pico)
            return boardWindow;
        if (n == Name::picProgBack)
            return static_cast<WinPictureBox*>(widgets_.picProgBack)->window();
        return window_;
    };
    auto boxOf = [&](Name n) -> WinPictureBox* {
        return n == Name::picProgBack ? static_cast<WinPictureBox*>(widgets_.picProgBack) : nullptr;
    };

    for (const WidgetSpec& s : layout::widgets()) {
        HWND parent = s.parent ? windowOf(*s.parent) : window_;
        switch (s.kind) {
        case Kind::PictureBox: {
            WinPictureBox* box = nullptr;
            if (s.name == Name::Pico) {
                boardWindow = CreateWindowExW(WS_EX_CONTROLPARENT, kBoardClass, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                              s.left, s.top, s.width, s.height, parent, nullptr, instance_, this);
                board_ = std::make_unique<Board>(boardWindow, artFor(s.art, s.index));
                board_->onButton = [this](WinButton* b) {
                    if (!events_)
                        return;
                    if (b == widgets_.Info)
                        events_->Info_Click();
                    else
                        events_->Quit_Click();
                };
                box = new WinPictureBox(boardWindow, s.width, s.height, std::nullopt, nullptr);
            } else {
                HWND view = CreateWindowExW(0, kBoxClass, nullptr, WS_CHILD | WS_CLIPCHILDREN, s.left, s.top,
                                            s.width, s.height, parent, nullptr, instance_, nullptr);
                box = new WinPictureBox(view, s.width, s.height, s.background, artFor(s.art, s.index));
                SetWindowLongPtrW(view, GWLP_USERDATA, LONG_PTR(box));
                if (WinPictureBox* parentBox = s.parent ? boxOf(*s.parent) : nullptr)
                    box->underlay = [parentBox] { return parentBox->composed(parentBox->underlay); };
                else
                    box->underlay = [this] { return board_->surface(); };
            }
            box->move(s.left, s.top);
            box->setVisible(s.visible);
            owned_.emplace_back(box);
            bind(widgets_, s, box);
            break;
        }
        case Kind::Image: {
            auto* image = new WinImage(*board_, s.width, s.height, s.stretch);
            image->move(s.left, s.top);
            image->setVisible(s.visible);
            if (auto art = artFor(s.art, s.index))
                image->setPicture(std::make_shared<WinPicture>(std::move(art)));
            image->toolId = nextTool++;
            board_->addTooltip(image->toolId, image->rect());
            board_->addImage(image);
            owned_.emplace_back(image);
            bind(widgets_, s, image);
            if (s.name == Name::Flagga)
                image->onClick = [this, i = s.index] {
                    if (events_)
                        events_->Flagga_Click(static_cast<std::int16_t>(i));
                };
            break;
        }
        case Kind::Label: {
            auto* label = new WinLabel(*board_, s.width, s.height, fontFor(s));
            label->move(s.left, s.top);
            label->setVisible(s.visible);
            label->setCaption(std::string(s.caption));
            label->tooltip = std::string(s.tooltip);
            label->text = s.textColour ? colourRef(*s.textColour) : GetSysColor(COLOR_WINDOWTEXT);
            if (s.background) {
                label->opaque = true;
                label->background = colourRef(*s.background);
            }
            label->toolId = nextTool++;
            board_->addTooltip(label->toolId, label->rect());
            board_->addLabel(label);
            owned_.emplace_back(label);
            bind(widgets_, s, label);
            break;
        }
        case Kind::Button: {
            const bool isInfo = s.name == Name::Info;
            HWND view = CreateWindowExW(0, L"BUTTON", isInfo ? L"Info" : L"Sluta",
                                        WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, s.left, s.top, s.width, s.height,
                                        parent, HMENU(INT_PTR(isInfo ? kInfoId : kQuitId)), instance_, nullptr);
            auto* button = new WinButton(view, s.background.value_or(kCyan), artFor(s.art, s.index));
            button->move(s.left, s.top);
            button->setVisible(s.visible);
            board_->buttons.push_back(button);
            owned_.emplace_back(button);
            bind(widgets_, s, button);
            break;
        }
        case Kind::Timer: {
            const UINT_PTR id = s.name == Name::playTimer ? kPlayTimer : kTimer2;
            auto timer = std::make_unique<WinTimer>(window_, id, s.intervalMs);
            bind(widgets_, s, timer.get());
            timers_.push_back(std::move(timer));
            break;
        }
        }
    }
}

LRESULT WinPlatform::windowMessage(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (board_ && hwnd == board_->window()) {
        LRESULT result = 0;
        if (board_->handle(message, wp, lp, result))
            return result;
        return DefWindowProcW(hwnd, message, wp, lp);
    }
    switch (message) {
    case kLoadMessage:
        if (events_)
            events_->Form_Load();
        return 0;
    case WM_TIMER:
        if (!events_)
            return 0;
        if (wp == kPlayTimer)
            events_->playTimer_Timer();
        else if (wp == kTimer2)
            events_->Timer2_Timer();
        return 0;
    case WM_CLOSE:
        // The system closing the window unloads it; the program ends there.
        unloadWindow();
    default: return DefWindowProcW(hwnd, message, wp, lp);
    }
}

void WinPlatform::start() { PostMessageW(window_, kLoadMessage, 0, 0); }

void WinPlatform::showWindow() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
}

void WinPlatform::unloadWindow() {
    if (!unloading_) {
        unloading_ = true;
        std::int16_t cancel = 0;
        if (events_)
            events_->Form_Unload(cancel);
    }
    endProgram();
}

void WinPlatform::endProgram() {
    std::fflush(stdout);
    std::fflush(stderr);
    // Handlers suspended in a yield must never resume, so the process ends here
    // rather than unwinding through the nested message loops.
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);
}

bool WinPlatform::pump() {
    bool any = false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        any = true;
        if (m.message == WM_QUIT)
            endProgram();
        dispatch(m);
    }
    return any;
}

void WinPlatform::dispatch(MSG& m) {
    // Tab, Space and Enter work on the buttons as in any dialog.
    if (IsDialogMessageW(window_, &m))
        return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
}

void WinPlatform::yieldFor(double seconds) {
    // Handle what is pending; when nothing is, wait for the next message or
    // the caller's time, whichever comes first.
    if (pump() || !(seconds > 0))
        return;
    const auto ms = DWORD(std::ceil(std::min(seconds, kLongestWait) * 1000));
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    pump();
}

double WinPlatform::clock() const {
    // The precise system time: the ordinary one moves in ticks of up to 15.6 ms,
    // too coarse for a wait that ends within a millisecond of its deadline.
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    SYSTEMTIME utc, t;
    FileTimeToSystemTime(&now, &utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &t);
    const auto ticks = ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart;
    const double belowMs = double(ticks % 10000) / 1e7; // ticks are 100 ns
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0 + belowMs;
}

std::string WinPlatform::programFolder() const {
    std::wstring path(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    path.resize(n);
    const auto slash = path.find_last_of(L"\\/");
    return toUtf8(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

std::shared_ptr<Bitmap> WinPlatform::drawingContext(PictureBox& box) const {
    if (&box == widgets_.Pico)
        return board_->surface();
    auto& b = static_cast<WinPictureBox&>(box);
    return b.composed(b.underlay);
}

void WinPlatform::blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) {
    const auto from = drawingContext(src);
    auto& to = static_cast<WinPictureBox&>(dst);
    // Clip to both surfaces; what lies outside the source is not copied.
    RECT source{xs, ys, xs + w, ys + h}, fromRect{0, 0, from->width(), from->height()};
    IntersectRect(&source, &source, &fromRect);
    RECT target{source.left + x - xs, source.top + y - ys, source.right + x - xs, source.bottom + y - ys};
    RECT toRect{0, 0, to.layer().width(), to.layer().height()};
    if (!IntersectRect(&target, &target, &toRect))
        return;
    BitBlt(to.layer().dc(), target.left, target.top, target.right - target.left, target.bottom - target.top,
           from->dc(), target.left - x + xs, target.top - y + ys, SRCCOPY);
    to.layer().makeOpaque(target);
    InvalidateRect(to.window(), nullptr, FALSE);
}

void WinPlatform::showAbout(const std::string& title, const std::string& text) {
    ShellAboutA(window_, toAnsi(title).c_str(), toAnsi(text).c_str(), icon_);
}

} // namespace fanbord::win
