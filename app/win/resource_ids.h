#pragma once
// Resource numbers of the Windows program's icon and pictures; shared by the
// tool that renders them and the program that loads them.
#include "app/layout.h"

#include <array>

namespace fanbord::win {

inline constexpr int kIconId = 1;

// The display scales every picture is rendered for, in percent: those Windows
// offers most. Other scales are made from these.
inline constexpr std::array<int, 5> kArtScales = {100, 125, 150, 175, 200};

// The resource of a picture at one of those scales, a tile's one per nation; 0 for none.
inline constexpr int artResourceId(layout::Art art, int index, std::size_t scale) {
    const int step = 1000 * int(scale);
    switch (art) {
    case layout::Art::Board: return step + 100;
    case layout::Art::SwedishFlag: return step + 101;
    case layout::Art::ProgressBar: return step + 102;
    case layout::Art::Marker: return step + 103;
    case layout::Art::InfoFace: return step + 104;
    case layout::Art::QuitFace: return step + 105;
    case layout::Art::Tile: return step + 200 + index;
    case layout::Art::None: break;
    }
    return 0;
}

} // namespace fanbord::win
