#pragma once
// Place, size and visibility of a windowless widget that a platform paints on
// its board. Standard library only: every platform's images and labels share it.
#include "app/platform.h"

#include <algorithm>
#include <cmath>

namespace fanbord {

// Whole pixels of the board, as drawn.
struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;

    PixelRect united(const PixelRect& o) const {
        const int l = std::min(left, o.left), t = std::min(top, o.top);
        const int r = std::max(left + width, o.left + o.width), b = std::max(top + height, o.top + o.height);
        return {l, t, r - l, b - t};
    }
};

template <class Seam> class PlacedItem : public Seam {
public:
    PlacedItem(int w, int h) : w_(w), h_(h) {}
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double left, double top) override {
        const PixelRect before = place();
        left_ = left;
        top_ = top;
        moved(before);
    }
    bool visible() const override { return visible_; }
    void setVisible(bool visible) override {
        visible_ = visible;
        repaint(place());
    }
    // Fractional positions are drawn at the nearest pixel, halves rounding up.
    PixelRect place() const {
        return {int(std::floor(left_ + 0.5)), int(std::floor(top_ + 0.5)), w_, h_};
    }

protected:
    // The platform repaints this part of its board.
    virtual void repaint(const PixelRect& area) = 0;
    virtual void moved(const PixelRect& before) { repaint(before.united(place())); }

    int w_, h_;
    double left_ = 0, top_ = 0;
    bool visible_ = true;
};

} // namespace fanbord
