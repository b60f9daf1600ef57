#pragma once
// What every platform's board shares, in the standard library only: where its
// widgets stand, the windowless images and labels in stacking order, and what
// a pointer on the board reaches. A platform adds only drawing and windows.
#include "app/layout.h"
#include "app/platform.h"
#include "board/pixels.h"

#include <functional>
#include <string>
#include <vector>

namespace fanbord {

// A windowless widget: a place on the board that the board repaints.
class Placed {
public:
    virtual ~Placed() = default;
    PixelRect place() const { return {nearestPixel(left_), nearestPixel(top_), w_, h_}; }
    bool shown() const { return visible_; }
    // Images stop the pointer; labels let it through to what lies beneath.
    virtual bool takesPointer() const { return false; }
    const std::string& tooltip() const { return tooltip_; }
    std::function<void()> onClick; // the handler a click on it runs, if any

protected:
    explicit Placed(const layout::WidgetRow& row) : w_(row.width), h_(row.height), tooltip_(row.tooltip) {}
    // The platform repaints this part of its board.
    virtual void repaint(const PixelRect& area) = 0;
    virtual void moved(const PixelRect& before) { repaint(before.united(place())); }
    virtual void shownOrHidden() { repaint(place()); }

    int w_, h_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
    std::string tooltip_;
};

// A seam widget (Image or Label) placed on the board as its table row has it;
// Base is the platform's kind of Placed, which knows how to draw it.
template <class Seam, class Base> class PlacedItem : public Seam, public Base {
public:
    template <class... Args>
    explicit PlacedItem(const layout::WidgetRow& row, Args&&... args) : Base(row, std::forward<Args>(args)...) {}
    double left() const override { return this->left_; }
    double top() const override { return this->top_; }
    void move(double left, double top) override {
        const PixelRect before = this->place();
        this->left_ = left;
        this->top_ = top;
        this->moved(before);
    }
    bool visible() const override { return this->visible_; }
    void setVisible(bool visible) override {
        this->visible_ = visible;
        this->shownOrHidden();
    }
};

template <class Base> class PlacedImage : public PlacedItem<Image, Base> {
public:
    template <class... Args>
    explicit PlacedImage(const layout::WidgetRow& row, Args&&... args)
        : PlacedItem<Image, Base>(row, std::forward<Args>(args)...), stretch_(row.stretch) {}
    bool takesPointer() const override { return true; }
    std::string tooltip() const override { return this->tooltip_; }
    void setTooltip(const std::string& text) override { this->tooltip_ = text; }
    PictureRef picture() const override { return picture_; }
    void setPicture(PictureRef picture) override {
        picture_ = std::move(picture);
        this->repaint(this->place());
    }

protected:
    // Where a picture of the given size is drawn: at the image's place, at
    // its own size or scaled to the image's.
    PixelRect pictureArea(int pictureWidth, int pictureHeight) const {
        PixelRect area = this->place();
        if (!stretch_) {
            area.width = pictureWidth;
            area.height = pictureHeight;
        }
        return area;
    }

    bool stretch_; // scaled to its size rather than drawn at its own
    PictureRef picture_;
};

template <class Base> class PlacedLabel : public PlacedItem<Label, Base> {
public:
    using PlacedItem<Label, Base>::PlacedItem;
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override {
        caption_ = text;
        this->repaint(this->place());
    }
    // The text size from `pixels` down at which the caption fits the label, as
    // `advanceAt` measures it: drawn from the label's left edge, it has the
    // whole width.
    int captionPixels(int pixels, const std::function<int(int pixels)>& advanceAt) const {
        return fittedPixels(pixels, this->w_, advanceAt);
    }

protected:
    std::string caption_;
};

// A widget that is a child window of its own: the platform moves and shows it.
template <class Seam> class PlacedChild : public Seam {
public:
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override {
        left_ = left;
        top_ = top;
        placeWindow(nearestPixel(left), nearestPixel(top));
    }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override {
        visible_ = visible;
        showWindow(visible);
    }

protected:
    virtual void placeWindow(int left, int top) = 0;
    virtual void showWindow(bool visible) = 0;

    double left_ = 0, top_ = 0;
    bool visible_ = true;
};

// A picture box of a fixed size in a child window of its own.
class PlacedBox : public PlacedChild<PictureBox> {
public:
    PlacedBox(int w, int h) : w_(w), h_(h) {}
    int innerWidth() const override { return w_; }
    int width() const override { return w_; }
    int height() const override { return h_; }

protected:
    int w_, h_;
};

// The windowless widgets of a board, bottom first, and what the pointer does there.
template <class Item> class BoardModel {
public:
    void add(Item& item) { stacking_.push_back(&item); }
    const std::vector<Item*>& stacking() const { return stacking_; }

    // The topmost shown image under the point; labels let the pointer through.
    Item* itemAt(int x, int y) const {
        for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it)
            if ((*it)->takesPointer() && (*it)->shown() && (*it)->place().contains(x, y))
                return *it;
        return nullptr;
    }
    // The tooltip of the topmost shown widget under the point that has one.
    std::string tooltipAt(int x, int y) const {
        for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it)
            if ((*it)->shown() && (*it)->place().contains(x, y) && !(*it)->tooltip().empty())
                return (*it)->tooltip();
        return {};
    }
    // Like a button: a click counts where it was pressed and released on the
    // same image. Returns whether the press landed on one.
    bool press(int x, int y) {
        pressed_ = itemAt(x, y);
        return pressed_ != nullptr;
    }
    void release(int x, int y) {
        Item* pressed = pressed_;
        pressed_ = nullptr;
        if (pressed && itemAt(x, y) == pressed && pressed->onClick)
            pressed->onClick();
    }

private:
    std::vector<Item*> stacking_;
    Item* pressed_ = nullptr;
};

} // namespace fanbord
