#pragma once
// Whole pixels of a board as every platform draws them: rounding, rectangles,
// outlines, block copies cut to their surfaces, and captions fitted to a width.
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace fanbord {

// Fractional positions are drawn at the nearest pixel, halves rounding up.
inline int nearestPixel(double v) {
    return int(std::floor(v + 0.5));
}

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;

    bool empty() const { return width <= 0 || height <= 0; }
    PixelRect united(const PixelRect& o) const {
        const int l = std::min(left, o.left), t = std::min(top, o.top);
        const int r = std::max(left + width, o.left + o.width), b = std::max(top + height, o.top + o.height);
        return {l, t, r - l, b - t};
    }
    PixelRect intersected(const PixelRect& o) const {
        const int l = std::max(left, o.left), t = std::max(top, o.top);
        const int r = std::min(left + width, o.left + o.width), b = std::min(top + height, o.top + o.height);
        return {l, t, std::max(r - l, 0), std::max(b - t, 0)};
    }
    bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

// The four one-pixel edges of an outline between two corners, both inclusive,
// given in either order.
std::array<PixelRect, 4> outlineEdges(int x1, int y1, int x2, int y2);

// A block copy: the part of the source it reads, and where that lands on the target.
struct BlockCopy {
    PixelRect source;
    int x = 0, y = 0;
};

// The copy cut to both surfaces: nothing is read beyond the source's edges and
// nothing written beyond the target's. An empty source when nothing lands.
BlockCopy clipped(const BlockCopy& copy, int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

// The largest pixel size from `pixels` down to 8 at which a caption fits
// `width`; `advanceAt` measures it at a size. A wider stand-in font steps down
// a pixel or two rather than lose the caption's end.
int fittedPixels(int pixels, int width, const std::function<int(int pixels)>& advanceAt);

} // namespace fanbord
