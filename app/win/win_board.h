#pragma once
// The Win32 widgets behind the seam. Images and labels are windowless: the
// board paints them onto its own surface in stacking order, as the block copy
// expects. Picture boxes and the two buttons are child windows.
#include "app/platform.h"
#include "app/win/win_art.h"
#include "app/win/win_scale.h"
#include "board/board_item.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fanbord::win {

class Board;
class BoardAccessibility;
struct AccessibleControl;

// A windowless widget, drawn on the board's surface and repainted through it.
class WinItem : public Placed {
public:
    WinItem(const layout::WidgetRow& row, Board& board) : Placed(row), board_(board) {}
    virtual void paint(HDC dc) const = 0;
    RECT rect() const; // where it lies on the display

    int toolId = -1; // its hot spot in the board's tooltip window

protected:
    void repaint(const PixelRect& area) override;
    void moved(const PixelRect& before) override;
    Board& board_;
};

class WinImage final : public PlacedImage<WinItem> {
public:
    using PlacedImage::PlacedImage;
    void paint(HDC dc) const override;
};

class WinLabel final : public PlacedLabel<WinItem> {
public:
    WinLabel(const layout::WidgetRow& row, Board& board, const LOGFONTW& font) : PlacedLabel(row, board), font_(font) {}
    void paint(HDC dc) const override;
    COLORREF text = RGB(0, 0, 0);             // caption colour
    bool opaque = false;                      // false: the board shows through
    COLORREF background = RGB(255, 255, 255); // when opaque

private:
    LOGFONTW font_; // in board pixels, at the table's size; a caption that does not fit steps down from it
};

// A picture box: a child window with a background colour or, without one, the
// parent showing through; a background picture; and a run-time drawing layer.
class WinPictureBox final : public PlacedBox {
public:
    WinPictureBox(HWND window, const Scale& scale, int w, int h, std::optional<Rgb> background,
                  std::shared_ptr<const WinPicture> picture);
    void clear() override;
    void outline(int x1, int y1, int x2, int y2, Rgb colour) override;
    PictureRef snapshot() const override;

    // What the box shows on the display; `under` is what its parent shows beneath it.
    std::shared_ptr<Bitmap> composed(std::function<std::shared_ptr<Bitmap>()> under) const;
    Bitmap& layer() { return *layer_; }
    HWND window() const { return window_; }
    // The display's scale changed: the window takes its new size and place,
    // and what was drawn in it is kept, at the new scale.
    void rescale();
    std::function<std::shared_ptr<Bitmap>()> underlay; // what the parent shows beneath the box
    std::function<void()> onChange;                    // shown, hidden or moved

protected:
    void placeWindow(int left, int top) override;
    void showWindow(bool visible) override;

private:
    HWND window_; // its child window; the board's for Pico
    const Scale& scale_;
    std::optional<Rgb> background_;
    std::shared_ptr<const WinPicture> picture_;
    std::unique_ptr<Bitmap> layer_; // on the display, at its scale
};

// An owner-drawn push button. Every press is a click: a quick second press
// counts as much as the first, not as a double-click.
class WinButton final : public PlacedChild<Button> {
public:
    WinButton(HWND window, const Scale& scale, int w, int h, Rgb background, std::shared_ptr<const WinPicture> face);
    void draw(const DRAWITEMSTRUCT& item) const;
    HWND window() const { return window_; }
    // The display's scale changed: the window takes its new size and place.
    void rescale();
    std::function<void()> onClick;
    std::function<void()> onChange; // shown or hidden

protected:
    void placeWindow(int left, int top) override;
    void showWindow(bool visible) override;

private:
    HWND window_;
    const Scale& scale_;
    int w_, h_;                              // in board pixels
    Rgb background_;                         // around the face
    std::shared_ptr<const WinPicture> face_; // the picture on it
};

class WinTimer final : public Timer {
public:
    WinTimer(HWND window, UINT_PTR id, int intervalMs) : window_(window), id_(id), interval_(intervalMs) {}
    ~WinTimer() override { setEnabled(false); }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

private:
    HWND window_;
    UINT_PTR id_;
    int interval_;
    bool enabled_ = false;
};

// The board: the window of the outermost picture box, which paints the
// windowless images and labels onto its surface.
class Board {
public:
    Board(HWND window, const Scale& scale, std::shared_ptr<const WinPicture> background);
    ~Board();
    HWND window() const { return window_; }
    const Scale& scale() const { return scale_; }
    // The display's scale changed: the tooltips' hot spots move, and all is painted anew.
    void rescale();
    // Stacks the widget on the board, with a tooltip hot spot of its own.
    void add(WinItem& item);
    // The thirty tiles in order, for the keys and screen readers.
    void addTile(WinImage& tile) { tiles_.push_back(&tile); }
    // Screen readers see these controls from now on.
    void expose(std::vector<AccessibleControl> controls);
    // A widget on the board changed; screen readers hear what did.
    void changed();
    // Where a rectangle of the board lies on the screen.
    RECT toScreen(const PixelRect& r) const;
    // The tile the keys stand on while the board has the focus, else -1.
    int focusedTile() const;
    // Tab brought the focus here: the tile's frame shows.
    void focusByKeyboard() { keyboardFocus_ = true; }
    // Clicks the tile from the message loop.
    void pressLater(int tile);
    void moveTooltip(int id, const RECT& area);
    void invalidate(const RECT& area);

    // The board as displayed, without its child windows, at the display's scale.
    std::shared_ptr<Bitmap> surface() const;
    void paint(HDC dc, const RECT& area) const;
    // Window messages of the board; false when it does not handle one.
    bool handle(UINT message, WPARAM wp, LPARAM lp, LRESULT& result);
    std::vector<WinButton*> buttons; // Info and Sluta, drawn and clicked through the board

private:
    bool key(WPARAM key);
    void moveFocus(int tile);
    RECT focusFrame() const;

    HWND window_;
    const Scale& scale_;
    HWND tooltips_ = nullptr;
    std::shared_ptr<const WinPicture> background_;
    BoardModel<WinItem> model_;
    std::wstring tooltipText_; // the text the tooltip window is showing
    std::vector<WinImage*> tiles_;
    // The tile a keyboard user stands on; the frame shows only once the keys are used.
    int focusTile_ = 0;
    bool keyboardFocus_ = false;
    std::unique_ptr<BoardAccessibility> accessibility_;
};

} // namespace fanbord::win
