#include "app/win/win_board.h"

#include "app/win/win_accessible.h"
#include "app/win/win_text.h"
#include "board/board_keys.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

namespace fanbord::win {

namespace {

// A press a screen reader asked for, run from the message loop; WPARAM: the tile.
constexpr UINT kPressTileMessage = WM_APP + 2;

// A child window at its place and size on the board, on the display.
void placeChild(HWND window, const Scale& scale, int left, int top, int w, int h) {
    const RECT r = scale.rect({left, top, w, h});
    SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The raster operation that paints the brush where the source is white and
// leaves the target where it is black.
constexpr DWORD kBrushWhereWhite = 0x00E20746;

// White lines that `draw` draws on black at the board's own 96 dpi, in a
// w x h board-pixel rectangle, laid onto `to` on the display with the raster
// operation `rop`, each pixel enlarged: the system's dotted focus lines keep
// their look at every scale.
void drawEnlarged(HDC dc, const RECT& to, int w, int h, DWORD rop, const std::function<void(HDC)>& draw) {
    Bitmap lines(w, h);
    draw(lines.dc());
    GdiFlush();
    const int mode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, lines.dc(), 0, 0, w, h, rop);
    SetStretchBltMode(dc, mode);
}

void showChild(HWND window, bool visible) {
    ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
}

} // namespace

// --- windowless images and labels

RECT WinItem::rect() const {
    return board_.scale().rect(place());
}

void WinItem::repaint(const PixelRect& a) {
    board_.invalidate(board_.scale().rect(a));
    board_.changed();
}

void WinItem::moved(const PixelRect& before) {
    Placed::moved(before);
    if (toolId >= 0)
        board_.moveTooltip(toolId, rect());
}

void WinImage::paint(HDC dc) const {
    const WinPicture* picture = winPicture(picture_);
    if (!visible_ || !picture)
        return;
    const Scale& scale = board_.scale();
    const auto bitmap = picture->pixels(scale.dpi);
    if (!bitmap)
        return;
    const PixelRect a = pictureArea(picture->width(), picture->height());
    // Scaled without blending: the framed copy is opaque.
    if (stretch_)
        drawStretched(dc, scale.rect(a), *bitmap);
    else
        drawOver(dc, scale.px(a.left), scale.px(a.top), *bitmap);
}

void WinLabel::paint(HDC dc) const {
    if (!visible_)
        return;
    RECT r = rect();
    if (opaque) {
        HBRUSH brush = CreateSolidBrush(background);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    if (caption_.empty())
        return;
    const std::wstring caption = widen(caption_);
    const Scale& scale = board_.scale();
    // The label's font at a size in board pixels, on the display.
    auto fontAt = [&](int pixels) {
        LOGFONTW shape = font_;
        shape.lfHeight = -scale.px(pixels);
        return CreateFontIndirectW(&shape);
    };
    HFONT fitted = fontAt(captionPixels(std::abs(font_.lfHeight), [&](int pixels) {
        HFONT font = fontAt(pixels);
        HGDIOBJ old = SelectObject(dc, font);
        SIZE size{};
        GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &size);
        SelectObject(dc, old);
        DeleteObject(font);
        // In board pixels; a part of one more does not fit.
        return int(std::ceil(size.cx * double(kBoardDpi) / scale.dpi));
    }));
    HGDIOBJ old = SelectObject(dc, fitted);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    DrawTextW(dc, caption.c_str(), int(caption.size()), &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(fitted);
    // Text leaves the alpha byte at 0; the surface's pixels are all opaque.
}

// --- picture boxes

WinPictureBox::WinPictureBox(HWND window, const Scale& scale, int w, int h, std::optional<Rgb> background,
                             std::shared_ptr<const WinPicture> picture)
    : PlacedBox(w, h), window_(window), scale_(scale), background_(background), picture_(std::move(picture)),
      layer_(std::make_unique<Bitmap>(scale.px(w), scale.px(h))) {}

void WinPictureBox::rescale() {
    if (layer_->width() != scale_.px(w_) || layer_->height() != scale_.px(h_))
        layer_ = resampled(*layer_, scale_.px(w_), scale_.px(h_));
    placeWindow(nearestPixel(left_), nearestPixel(top_));
    InvalidateRect(window_, nullptr, FALSE);
}

void WinPictureBox::placeWindow(int left, int top) {
    placeChild(window_, scale_, left, top, w_, h_);
    if (onChange)
        onChange();
}

void WinPictureBox::showWindow(bool visible) {
    showChild(window_, visible);
    if (onChange)
        onChange();
}

void WinPictureBox::clear() {
    layer_->clear();
    InvalidateRect(window_, nullptr, FALSE);
}

void WinPictureBox::outline(int x1, int y1, int x2, int y2, Rgb colour) {
    HBRUSH brush = CreateSolidBrush(colourRef(colour));
    for (const PixelRect& edge : outlineEdges(x1, y1, x2, y2)) {
        const RECT e = scale_.rect(edge);
        FillRect(layer_->dc(), &e, brush);
        layer_->makeOpaque(e);
    }
    DeleteObject(brush);
    InvalidateRect(window_, nullptr, FALSE);
}

std::shared_ptr<Bitmap> WinPictureBox::composed(std::function<std::shared_ptr<Bitmap>()> under) const {
    auto out = std::make_shared<Bitmap>(layer_->width(), layer_->height());
    if (background_) {
        out->fill(*background_);
    } else if (under) {
        if (auto parent = under())
            BitBlt(out->dc(), 0, 0, out->width(), out->height(), parent->dc(), scale_.px(nearestPixel(left_)),
                   scale_.px(nearestPixel(top_)), SRCCOPY);
    }
    if (const auto picture = picture_ ? picture_->pixels(scale_.dpi) : nullptr)
        drawOver(out->dc(), 0, 0, *picture);
    drawOver(out->dc(), 0, 0, *layer_);
    return out;
}

PictureRef WinPictureBox::snapshot() const {
    auto image = composed(underlay);
    image->makeOpaque(RECT{0, 0, image->width(), image->height()});
    return std::make_shared<Snapshot>(w_, h_, std::move(image));
}

// --- buttons and timers

namespace {

// Owner-drawn buttons turn a quick second press into a double-click
// notification instead of a click; here it is an ordinary press. Enter
// presses as Space does, rather than going to the window as a dialog's OK.
LRESULT CALLBACK ordinaryPresses(HWND hwnd, UINT message, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETDLGCODE && wp == VK_RETURN)
        return DefSubclassProc(hwnd, message, wp, lp) | DLGC_WANTMESSAGE;
    if ((message == WM_KEYDOWN || message == WM_KEYUP) && wp == VK_RETURN)
        wp = VK_SPACE;
    return DefSubclassProc(hwnd, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wp, lp);
}

} // namespace

WinButton::WinButton(HWND window, const Scale& scale, int w, int h, Rgb background,
                     std::shared_ptr<const WinPicture> face)
    : window_(window), scale_(scale), w_(w), h_(h), background_(background), face_(std::move(face)) {
    SetWindowSubclass(window_, ordinaryPresses, 0, 0);
}

void WinButton::rescale() {
    placeWindow(nearestPixel(left_), nearestPixel(top_));
    InvalidateRect(window_, nullptr, FALSE);
}

void WinButton::placeWindow(int left, int top) {
    placeChild(window_, scale_, left, top, w_, h_);
}

void WinButton::showWindow(bool visible) {
    showChild(window_, visible);
    if (onChange)
        onChange();
}

void WinButton::draw(const DRAWITEMSTRUCT& item) const {
    const RECT r = item.rcItem;
    const int w = r.right - r.left, h = r.bottom - r.top;
    Bitmap canvas(w, h);
    canvas.fill(background_);
    // The face is a little larger than the button; centre it, as a graphical button does.
    const int pressed = (item.itemState & ODS_SELECTED) ? scale_.px(1) : 0;
    if (const auto face = face_ ? face_->pixels(scale_.dpi) : nullptr)
        drawOver(canvas.dc(), (w - face->width()) / 2 + pressed, (h - face->height()) / 2 + pressed, *face);
    if (item.itemState & ODS_FOCUS)
        drawEnlarged(canvas.dc(), RECT{0, 0, w, h}, w_, h_, SRCINVERT, [&](HDC lines) {
            const RECT focus{2, 2, w_ - 2, h_ - 2};
            DrawFocusRect(lines, &focus);
        });
    GdiFlush();
    BitBlt(item.hDC, r.left, r.top, w, h, canvas.dc(), 0, 0, SRCCOPY);
}

void WinTimer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    if (enabled)
        SetTimer(window_, id_, UINT(interval_), nullptr);
    else
        KillTimer(window_, id_);
}

// --- the board

Board::Board(HWND window, const Scale& scale, std::shared_ptr<const WinPicture> background)
    : window_(window), scale_(scale), background_(std::move(background)) {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
}

Board::~Board() = default;

void Board::add(WinItem& item) {
    item.toolId = int(model_.stacking().size());
    model_.add(item);
    if (!tooltips_)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = UINT_PTR(item.toolId);
    tool.rect = item.rect();
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltips_, TTM_ADDTOOLW, 0, LPARAM(&tool));
}

void Board::rescale() {
    for (const WinItem* item : model_.stacking())
        moveTooltip(item->toolId, item->rect());
    InvalidateRect(window_, nullptr, FALSE);
}

void Board::moveTooltip(int id, const RECT& area) {
    if (!tooltips_)
        return;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window_;
    tool.uId = UINT_PTR(id);
    tool.rect = area;
    SendMessageW(tooltips_, TTM_NEWTOOLRECTW, 0, LPARAM(&tool));
}

void Board::invalidate(const RECT& area) { InvalidateRect(window_, &area, FALSE); }

std::shared_ptr<Bitmap> Board::surface() const {
    const auto background = background_ ? background_->pixels(scale_.dpi) : nullptr;
    auto out = background ? std::make_shared<Bitmap>(background->width(), background->height())
                          : std::make_shared<Bitmap>(scale_.px(1), scale_.px(1));
    out->fill(rgbOf(GetSysColor(COLOR_BTNFACE)));
    if (background)
        drawOver(out->dc(), 0, 0, *background);
    for (const WinItem* item : model_.stacking())
        item->paint(out->dc());
    GdiFlush();
    return out;
}

void Board::paint(HDC dc, const RECT& area) const {
    const auto s = surface();
    BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, s->dc(), area.left, area.top,
           SRCCOPY);
    // Drawn over the surface, never into it: the flag copy must not pick it up.
    if (keyboardFocus_ && focusedTile() >= 0) {
        const PixelRect tile = tiles_[std::size_t(focusTile_)]->place();
        HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
        HGDIOBJ oldBrush = SelectObject(dc, navy);
        drawEnlarged(dc, focusFrame(), tile.width, tile.height, kBrushWhereWhite, [&](HDC lines) {
            HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
            HGDIOBJ oldPen = SelectObject(lines, pen), noFill = SelectObject(lines, GetStockObject(NULL_BRUSH));
            SetBkMode(lines, TRANSPARENT);
            Rectangle(lines, 0, 0, tile.width, tile.height);
            SelectObject(lines, noFill);
            SelectObject(lines, oldPen);
            DeleteObject(pen);
        });
        SelectObject(dc, oldBrush);
        DeleteObject(navy);
    }
}

void Board::expose(std::vector<AccessibleControl> controls) {
    accessibility_ = std::make_unique<BoardAccessibility>(*this, std::move(controls));
}

void Board::changed() {
    if (accessibility_)
        accessibility_->update();
}

RECT Board::toScreen(const PixelRect& r) const {
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    RECT out = scale_.rect(r);
    OffsetRect(&out, origin.x, origin.y);
    return out;
}

int Board::focusedTile() const {
    return GetFocus() == window_ && focusTile_ < int(tiles_.size()) ? focusTile_ : -1;
}

void Board::pressLater(int tile) { PostMessageW(window_, kPressTileMessage, WPARAM(tile), 0); }

RECT Board::focusFrame() const {
    return focusTile_ < int(tiles_.size()) ? tiles_[std::size_t(focusTile_)]->rect() : RECT{};
}

void Board::moveFocus(int tile) {
    invalidate(focusFrame());
    focusTile_ = tile;
    keyboardFocus_ = true;
    invalidate(focusFrame());
    if (accessibility_)
        accessibility_->focusOn(focusTile_);
}

bool Board::key(WPARAM key) {
    if (tiles_.empty())
        return false;
    if (key == VK_SPACE || key == VK_RETURN) {
        // The first key only shows where the keys stand.
        const bool press = keyboardFocus_;
        keyboardFocus_ = true;
        invalidate(focusFrame());
        if (press && tiles_[std::size_t(focusTile_)]->onClick)
            tiles_[std::size_t(focusTile_)]->onClick();
        return true;
    }
    static constexpr std::pair<WPARAM, TileKey> arrows[] = {
        {VK_LEFT, TileKey::Left}, {VK_RIGHT, TileKey::Right}, {VK_UP, TileKey::Up}, {VK_DOWN, TileKey::Down}};
    for (auto [arrow, move] : arrows)
        if (arrow == key) {
            moveFocus(tileAfterKey(focusTile_, move));
            return true;
        }
    return false;
}

bool Board::handle(UINT message, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (message) {
    case WM_ERASEBKGND: result = 1; return true;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        paint(dc, ps.rcPaint);
        EndPaint(window_, &ps);
        return true;
    }
    case WM_LBUTTONDOWN:
        SetFocus(window_);
        if (model_.press(scale_.boardPixel(GET_X_LPARAM(lp)), scale_.boardPixel(GET_Y_LPARAM(lp))))
            SetCapture(window_);
        return true;
    case WM_LBUTTONUP:
        if (GetCapture() == window_)
            ReleaseCapture();
        model_.release(scale_.boardPixel(GET_X_LPARAM(lp)), scale_.boardPixel(GET_Y_LPARAM(lp)));
        return true;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header->code != TTN_GETDISPINFOW)
            return false;
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        const auto& stacking = model_.stacking();
        const auto id = std::size_t(info->hdr.idFrom);
        tooltipText_ = id < stacking.size() && stacking[id]->shown() ? widen(stacking[id]->tooltip()) : std::wstring();
        info->lpszText = tooltipText_.data();
        return true;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        for (WinButton* b : buttons)
            if (b->window() == item->hwndItem)
                b->draw(*item);
        result = TRUE;
        return true;
    }
    case WM_GETOBJECT:
        if (!accessibility_)
            return false;
        result = accessibility_->object(wp, lp);
        return true;
    case WM_GETDLGCODE: result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS; return true;
    case WM_KEYDOWN: return key(wp);
    case WM_SETFOCUS:
        invalidate(focusFrame());
        if (accessibility_ && focusedTile() >= 0)
            accessibility_->focusOn(focusTile_);
        return true;
    case WM_KILLFOCUS: invalidate(focusFrame()); return true;
    case kPressTileMessage:
        if (wp < tiles_.size() && tiles_[wp]->onClick)
            tiles_[wp]->onClick();
        return true;
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED)
            for (WinButton* b : buttons)
                if (b->window() == reinterpret_cast<HWND>(lp) && b->onClick)
                    b->onClick();
        return true;
    default: return false;
    }
}

} // namespace fanbord::win
