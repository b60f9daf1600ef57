#include "app/win/win_platform.h"

#include "app/layout.h"
#include "app/win/resource_ids.h"
#include "app/win/win_accessible.h"
#include "app/win/win_text.h"
#include "board/board_keys.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace fanbord::win {

namespace {

constexpr UINT kLoadMessage = WM_APP + 1;
constexpr int kInfoId = 101, kQuitId = 102;
const wchar_t* const kWindowClass = L"FanbordWindow";
const wchar_t* const kBoardClass = L"FanbordBoard";
const wchar_t* const kBoxClass = L"FanbordBox";
constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPCHILDREN, kWindowExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

// Something the program cannot start without is not there. It says so on
// stderr and, for whoever started it from the desktop, in a box; then it ends.
[[noreturn]] void cannotStart(const std::string& what) {
    std::fprintf(stderr, "fanbord: %s\n", what.c_str());
    std::fflush(stderr);
    MessageBoxW(nullptr, widen("Fanbord kan inte starta.\n\n" + what).c_str(), L"Fanbord", MB_OK | MB_ICONERROR);
    std::_Exit(1);
}

HWND made(HWND window, const char* what) {
    if (!window)
        cannotStart(std::string("cannot create the ") + what + ": " + systemMessage(GetLastError()));
    return window;
}

std::shared_ptr<const WinPicture> artFor(layout::Art art, int index, int dpi) {
    if (art == layout::Art::None)
        return nullptr;
    auto picture = std::make_shared<ArtPicture>(art, index);
    if (!picture->pixels(dpi))
        cannotStart("picture " + std::to_string(artResourceId(art, index, 0)) +
                    " is missing from the program or damaged");
    return picture;
}

// The row's font in board pixels.
LOGFONTW fontFor(const layout::WidgetRow& s) {
    LOGFONTW f{};
    f.lfHeight = -layout::fontPixels(s);
    f.lfWeight = FW_NORMAL;
    f.lfCharSet = DEFAULT_CHARSET;
    f.lfOutPrecision = OUT_DEFAULT_PRECIS;
    f.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    f.lfQuality = DEFAULT_QUALITY;
    f.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    const std::wstring family = widen(std::string(s.font));
    family.copy(f.lfFaceName, LF_FACESIZE - 1);
    return f;
}

// A call of newer systems, or null where the system lacks it.
template <class Call> Call newerCall(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(found));
}

// The dpi of the monitor the window is on, from Windows 10 1607 on; before,
// the one dpi of the whole system.
int dpiOf(HWND window) {
    static const auto forWindow = newerCall<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (forWindow)
        if (const UINT dpi = forWindow(window))
            return int(dpi);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBoardDpi;
}

// The window's size with the board's client area at a scale.
SIZE windowSize(const Scale& scale) {
    static const auto adjustForDpi =
        newerCall<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    RECT r{0, 0, scale.px(layout::kWindowWidth), scale.px(layout::kWindowHeight)};
    if (!(adjustForDpi && adjustForDpi(&r, kWindowStyle, FALSE, kWindowExStyle, UINT(scale.dpi))))
        AdjustWindowRectEx(&r, kWindowStyle, FALSE, kWindowExStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
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
    auto registered = [&](const wchar_t* name) {
        wc.lpszClassName = name;
        if (!RegisterClassExW(&wc))
            cannotStart("cannot register the window class " + toUtf8(name) + ": " + systemMessage(GetLastError()));
    };
    registered(kWindowClass);
    wc.hbrBackground = nullptr;
    registered(kBoardClass);
    wc.lpfnWndProc = boxProc;
    registered(kBoxClass);
}

} // namespace

WinPlatform::WinPlatform(HINSTANCE instance, MediaFramework& media) : BoardPlatform(media), instance_(instance) {
    using namespace layout;
    icon_ = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!icon_)
        cannotStart("the icon is missing from the program: " + systemMessage(GetLastError()));
    registerClasses(instance, icon_);
    // Centred on the work area from the start, at the scale of the monitor
    // there, so it never shows anywhere else or at any other size.
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    window_ = made(CreateWindowExW(kWindowExStyle, kWindowClass, L"Fanbord", kWindowStyle, (area.left + area.right) / 2,
                                   (area.top + area.bottom) / 2, 0, 0, nullptr, nullptr, instance_, this),
                   "window");
    scale_.dpi = dpiOf(window_);
    const SIZE size = windowSize(scale_);
    SetWindowPos(window_, nullptr, area.left + (area.right - area.left - size.cx) / 2,
                 area.top + (area.bottom - area.top - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    build();
    board_->expose(accessibleControls(widgets_));
}

WinPlatform::~WinPlatform() {
    if (window_)
        DestroyWindow(window_);
}

HWND WinPlatform::windowOf(const layout::WidgetRow& s) const {
    if (!s.parent)
        return window_;
    if (*s.parent == layout::Name::picProgBack)
        return static_cast<WinPictureBox*>(widgets_.picProgBack)->window();
    return board_->window();
}

std::unique_ptr<PictureBox> WinPlatform::makeBox(const layout::WidgetRow& s) {
    if (s.name == layout::Name::Pico) {
        // Placed and sized, as every child window, when the table's place is given it.
        HWND boardWindow = made(CreateWindowExW(WS_EX_CONTROLPARENT, kBoardClass, nullptr,
                                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, 0, 0, 0, 0,
                                                windowOf(s), nullptr, instance_, this),
                                "board");
        board_ = std::make_unique<Board>(boardWindow, scale_, artFor(s.art, s.index, scale_.dpi));
        return std::make_unique<WinPictureBox>(boardWindow, scale_, s.width, s.height, std::nullopt, nullptr);
    }
    HWND view = made(CreateWindowExW(0, kBoxClass, nullptr, WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, windowOf(s),
                                     nullptr, instance_, nullptr),
                     "picture box");
    auto box = std::make_unique<WinPictureBox>(view, scale_, s.width, s.height, s.background,
                                               artFor(s.art, s.index, scale_.dpi));
    SetWindowLongPtrW(view, GWLP_USERDATA, LONG_PTR(box.get()));
    box->onChange = [this] { board_->changed(); };
    if (s.parent == layout::Name::picProgBack) {
        auto* parentBox = static_cast<WinPictureBox*>(widgets_.picProgBack);
        box->underlay = [parentBox] { return parentBox->composed(parentBox->underlay); };
    } else {
        box->underlay = [this] { return board_->surface(); };
    }
    return box;
}

std::unique_ptr<Image> WinPlatform::makeImage(const layout::WidgetRow& s, std::function<void()> click) {
    auto image = std::make_unique<WinImage>(s, *board_);
    if (auto art = artFor(s.art, s.index, scale_.dpi))
        image->setPicture(std::move(art));
    image->onClick = std::move(click);
    board_->add(*image);
    if (s.name == layout::Name::Flagga)
        board_->addTile(*image);
    return image;
}

std::unique_ptr<Label> WinPlatform::makeLabel(const layout::WidgetRow& s) {
    auto label = std::make_unique<WinLabel>(s, *board_, fontFor(s));
    label->text = s.textColour ? colourRef(*s.textColour) : GetSysColor(COLOR_WINDOWTEXT);
    if (s.background) {
        label->opaque = true;
        label->background = colourRef(*s.background);
    }
    board_->add(*label);
    return label;
}

std::unique_ptr<Button> WinPlatform::makeButton(const layout::WidgetRow& s, std::function<void()> click) {
    const bool isInfo = s.name == layout::Name::Info;
    HWND view =
        made(CreateWindowExW(0, L"BUTTON", widen(std::string(s.caption)).c_str(), WS_CHILD | WS_TABSTOP | BS_OWNERDRAW,
                             0, 0, 0, 0, windowOf(s), HMENU(INT_PTR(isInfo ? kInfoId : kQuitId)), instance_, nullptr),
             "button");
    auto button = std::make_unique<WinButton>(view, scale_, s.width, s.height, s.background.value_or(layout::kCyan),
                                              artFor(s.art, s.index, scale_.dpi));
    button->onClick = std::move(click);
    button->onChange = [this] { board_->changed(); };
    board_->buttons.push_back(button.get());
    return button;
}

std::unique_ptr<Timer> WinPlatform::makeTimer(const layout::WidgetRow& s, std::function<void()> tick) {
    ticks_.push_back(std::move(tick));
    return std::make_unique<WinTimer>(window_, UINT_PTR(ticks_.size()), s.intervalMs);
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
        if (wp >= 1 && wp <= ticks_.size())
            ticks_[wp - 1]();
        return 0;
    case WM_ACTIVATE:
        // Where the focus goes back to when the window is active again.
        if (LOWORD(wp) == WA_INACTIVE && GetFocus() && IsChild(window_, GetFocus()))
            focusReturn_ = GetFocus();
        return DefWindowProcW(hwnd, message, wp, lp);
    case WM_SETFOCUS:
        // As in a dialog, the focus rests on a control, the board first.
        if (board_)
            SetFocus(focusReturn_ && IsWindowVisible(focusReturn_) ? focusReturn_ : board_->window());
        return 0;
    case WM_GETDPISCALEDSIZE: {
        // At another scale the client area is the board's own size there, not
        // this size scaled, which may round otherwise.
        *reinterpret_cast<SIZE*>(lp) = windowSize(Scale{int(wp)});
        return TRUE;
    }
    case WM_DPICHANGED: {
        // On a monitor of another scale: everything at the new one, in the
        // place the system suggests.
        rescale(LOWORD(wp));
        const auto* r = reinterpret_cast<const RECT*>(lp);
        SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_CLOSE:
        // The system closing the window unloads it; the program ends there.
        unloadWindow();
    default: return DefWindowProcW(hwnd, message, wp, lp);
    }
}

void WinPlatform::start() { PostMessageW(window_, kLoadMessage, 0, 0); }

void WinPlatform::rescale(int dpi) {
    scale_.dpi = dpi;
    for (PictureBox* box : {widgets_.Pico, widgets_.picProgBack, widgets_.picProg, widgets_.Kompis})
        static_cast<WinPictureBox*>(box)->rescale();
    for (WinButton* button : board_->buttons)
        button->rescale();
    board_->rescale();
}

void WinPlatform::showWindow() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
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
    // Tab follows the table's order, which the dialog manager does not know.
    if (m.message == WM_KEYDOWN && m.wParam == VK_TAB && board_ && (m.hwnd == window_ || IsChild(window_, m.hwnd))) {
        tab(GetKeyState(VK_SHIFT) < 0);
        return;
    }
    // Tab, Space and Enter work on the buttons as in any dialog.
    if (IsDialogMessageW(window_, &m))
        return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
}

HWND WinPlatform::focusWindowOf(const layout::WidgetRow& s) const {
    if (s.kind != layout::Kind::Button)
        return board_->window();
    return static_cast<WinButton*>(s.name == layout::Name::Info ? widgets_.Info : widgets_.Quit)->window();
}

void WinPlatform::tab(bool backward) {
    std::vector<HWND> stops;
    for (const layout::WidgetRow* s : tabStops())
        if (HWND w = focusWindowOf(*s); IsWindowVisible(w) && IsWindowEnabled(w))
            stops.push_back(w);
    if (stops.empty())
        return;
    const auto at = std::find(stops.begin(), stops.end(), GetFocus());
    const std::size_t n = stops.size(), i = std::size_t(at - stops.begin());
    const HWND next = at == stops.end() ? stops.front() : stops[(i + (backward ? n - 1 : 1)) % n];
    if (next == board_->window())
        board_->focusByKeyboard();
    SetFocus(next);
}

void WinPlatform::yieldFor(double seconds) {
    // Handle what is pending; when nothing is, wait for the next message or
    // the caller's time, whichever comes first.
    if (pump() || !(seconds > 0))
        return;
    MsgWaitForMultipleObjectsEx(0, nullptr, DWORD(waitMilliseconds(seconds)), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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

std::shared_ptr<Bitmap> WinPlatform::shownImage(const PictureBox& box) const {
    if (&box == widgets_.Pico)
        return board_->surface();
    const auto& b = static_cast<const WinPictureBox&>(box);
    return b.composed(b.underlay);
}

void WinPlatform::blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) {
    // Display pixels, so the copy stays exact at every scale.
    const auto from = shownImage(src.box);
    auto& to = static_cast<WinPictureBox&>(dst.box);
    const RECT read = scale_.rect({xs, ys, w, h});
    const BlockCopy copy =
        clipped({{read.left, read.top, read.right - read.left, read.bottom - read.top}, scale_.px(x), scale_.px(y)},
                from->width(), from->height(), to.layer().width(), to.layer().height());
    if (copy.source.empty())
        return;
    BitBlt(to.layer().dc(), copy.x, copy.y, copy.source.width, copy.source.height, from->dc(), copy.source.left,
           copy.source.top, SRCCOPY);
    to.layer().makeOpaque(RECT{copy.x, copy.y, copy.x + copy.source.width, copy.y + copy.source.height});
    InvalidateRect(to.window(), nullptr, FALSE);
}

void WinPlatform::showAbout(const std::string& title, const std::string& text) {
    ShellAboutA(window_, toAnsi(title).c_str(), toAnsi(text).c_str(), icon_);
}

} // namespace fanbord::win
