#pragma once
// Resource numbers of the Windows program's icon and pictures; shared by the
// tool that renders them and the program that loads them.
#include "app/layout.h"

namespace fanbord::win {

inline constexpr int kIconId = 1;

// The resource of a picture, a tile's one per nation; 0 for none.
inline constexpr int artResourceId(layout::Art art, int index) {
    switch (art) {
    case layout::Art::Board: return 100;
    case layout::Art::SwedishFlag: return 101;
    case layout::Art::ProgressBar: return 102;
    case layout::Art::Marker: return 103;
    case layout::Art::InfoFace: return 104;
    case layout::Art::QuitFace: return 105;
    case layout::Art::Tile: return 200 + index;
    case layout::Art::None: break;
    }
    return 0;
}

} // namespace fanbord::win
