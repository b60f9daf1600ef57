#include "board/pixels.h"

namespace fanbord {

std::array<PixelRect, 4> outlineEdges(int x1, int y1, int x2, int y2) {
    const int l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    const int w = r - l + 1, h = b - t + 1;
    return {PixelRect{l, t, w, 1}, PixelRect{l, b, w, 1}, PixelRect{l, t, 1, h}, PixelRect{r, t, 1, h}};
}

BlockCopy clipped(const BlockCopy& copy, int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
    const int dx = copy.x - copy.source.left, dy = copy.y - copy.source.top;
    const PixelRect read = copy.source.intersected({0, 0, sourceWidth, sourceHeight});
    const PixelRect written = PixelRect{read.left + dx, read.top + dy, read.width, read.height}.intersected(
        {0, 0, targetWidth, targetHeight});
    if (written.empty())
        return {};
    return {{written.left - dx, written.top - dy, written.width, written.height}, written.left, written.top};
}

int fittedPixels(int pixels, int width, const std::function<int(int pixels)>& advanceAt) {
    while (pixels > 8 && advanceAt(pixels) > width)
        --pixels;
    return pixels;
}

} // namespace fanbord
