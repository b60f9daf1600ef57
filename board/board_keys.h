#pragma once
// What the keys do on the board, the same on every platform: the arrows move
// between the tiles, wrapping round at the edges as reading does, and Tab
// visits the widgets that take the focus in the table's order.
#include "app/layout.h"

#include <algorithm>
#include <vector>

namespace fanbord {

enum class TileKey { Left, Right, Up, Down };

// The tile an arrow key moves to from `current`.
inline int tileAfterKey(int current, TileKey key) {
    constexpr int count = kNationCount, columns = layout::kTileColumns;
    switch (key) {
    case TileKey::Left:
        return (current + count - 1) % count;
    case TileKey::Right:
        return (current + 1) % count;
    case TileKey::Up:
        return (current + count - columns) % count;
    case TileKey::Down:
        return (current + columns) % count;
    }
    return current;
}

// The rows that take the keyboard focus, in Tab order: the board, which
// stands for its tiles, and the buttons.
inline std::vector<const layout::WidgetRow*> tabStops() {
    std::vector<const layout::WidgetRow*> stops;
    for (const layout::WidgetRow& s : layout::widgets())
        if (s.name == layout::Name::Pico || s.kind == layout::Kind::Button)
            stops.push_back(&s);
    std::stable_sort(stops.begin(), stops.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
    return stops;
}

} // namespace fanbord
