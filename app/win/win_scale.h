#pragma once
// The board keeps its 96-dpi pixels on every display, as the logic and the
// widget table have them; the Windows platform alone turns them into the
// display's own, at the dpi of the monitor the window is on.
#include "board/pixels.h"

#include <windows.h>

#include <cmath>

namespace fanbord::win {

inline constexpr int kBoardDpi = 96;

struct Scale {
    int dpi = kBoardDpi;

    // A board coordinate on the display.
    int px(double v) const { return nearestPixel(v * dpi / kBoardDpi); }
    // A rectangle of the board on the display: its edges each where they fall,
    // so that rectangles side by side stay side by side.
    RECT rect(const PixelRect& r) const {
        return RECT{px(r.left), px(r.top), px(r.left + r.width), px(r.top + r.height)};
    }
    // The board pixel a display pixel belongs to: the last one that begins at
    // or before it.
    int boardPixel(int v) const { return int(std::ceil((v + 0.5) * kBoardDpi / dpi)) - 1; }
};

} // namespace fanbord::win
