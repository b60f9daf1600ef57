#pragma once
// The Win32 widgets behind the seam. Images and labels are windowless: the
// board paints them onto its own surface in stacking order, as the block copy
// expects. Picture boxes and the two buttons are child windows.
#include "app/board_item.h"
#include "app/platform.h"
#include "app/win/win_art.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fanbord::win {

class Board;

// A windowless widget on the board, repainted through it.
template <class Seam> class BoardItem : public PlacedItem<Seam> {
public:
    BoardItem(Board& board, int w, int h) : PlacedItem<Seam>(w, h), board_(board) {}
    RECT rect() const;
    int toolId = -1; // its hot spot in the board's tooltip window

protected:
    void repaint(const PixelRect& area) override;
    void moved(const PixelRect& before) override;
    Board& board_;
};

class WinImage final : public BoardItem<Image> {
public:
    WinImage(Board& board, int w, int h, bool stretch) : BoardItem(board, w, h), stretch_(stretch) {}
    std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override { tooltip_ = text; }
    PictureRef picture() const override { return picture_; }
    void setPicture(PictureRef picture) override;
    void paint(HDC dc) const;
    std::function<void()> onClick;

private:
    bool stretch_;
    std::string tooltip_;
    PictureRef picture_;
};

class WinLabel final : public BoardItem<Label> {
public:
    WinLabel(Board& board, int w, int h, HFONT font) : BoardItem(board, w, h), font_(font) {}
    ~WinLabel() override;
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override;
    void paint(HDC dc) const;
    std::string tooltip;
    COLORREF text = RGB(0, 0, 0);
    bool opaque = false;
    COLORREF background = RGB(255, 255, 255);

private:
    HFONT font_;
    std::string caption_;
};

// A picture box: a child window with a background colour or, without one, the
// parent showing through; a background picture; and a run-time drawing layer.
class WinPictureBox final : public PictureBox {
public:
    WinPictureBox(HWND window, int w, int h, std::optional<Rgb> background, std::shared_ptr<Bitmap> picture);
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override;
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override;
    void clear() override;
    void outline(int x1, int y1, int x2, int y2, Rgb colour) override;
    int innerWidth() const override { return w_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    PictureRef snapshot() const override;

    // What the box shows; `under` is what its parent shows beneath it.
    std::shared_ptr<Bitmap> composed(std::function<std::shared_ptr<Bitmap>()> under) const;
    Bitmap& layer() { return layer_; }
    HWND window() const { return window_; }
    std::function<std::shared_ptr<Bitmap>()> underlay; // what the parent shows beneath the box

private:
    HWND window_;
    int w_, h_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
    std::optional<Rgb> background_;
    std::shared_ptr<Bitmap> picture_;
    Bitmap layer_;
};

// An owner-drawn push button. Every press is a click: a quick second press
// counts as much as the first, not as a double-click.
class WinButton final : public Button {
public:
    WinButton(HWND window, Rgb background, std::shared_ptr<Bitmap> face);
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override;
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override;
    void draw(const DRAWITEMSTRUCT& item) const;
    HWND window() const { return window_; }

private:
    HWND window_;
    Rgb background_;
    std::shared_ptr<Bitmap> face_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
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
    Board(HWND window, std::shared_ptr<Bitmap> background);
    HWND window() const { return window_; }
    void addImage(WinImage* image);
    void addLabel(WinLabel* label);
    void addTooltip(int id, const RECT& area);
    void moveTooltip(int id, const RECT& area);
    void invalidate(const RECT& area);

    // The board as displayed, without its child windows.
    std::shared_ptr<Bitmap> surface() const;
    void paint(HDC dc, const RECT& area) const;
    // Window messages of the board; false when it does not handle one.
    bool handle(UINT message, WPARAM wp, LPARAM lp, LRESULT& result);
    std::vector<WinButton*> buttons;
    std::function<void(WinButton*)> onButton;

private:
    WinImage* imageAt(POINT p) const;
    std::string tooltipAt(int id) const;

    HWND window_;
    HWND tooltips_ = nullptr;
    std::shared_ptr<Bitmap> background_;
    struct Item {
        WinImage* image;
        WinLabel* label;
    };
    std::vector<Item> stacking_;
    WinImage* pressed_ = nullptr;
    std::wstring tooltipText_;
};

} // namespace fanbord::win
