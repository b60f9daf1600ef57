#pragma once
// The board as screen readers see it through Microsoft Active Accessibility:
// its windowless tiles, pictures and caption lines, the progress bar and the
// two buttons, with names, roles, states, places and the Press action.
#include "app/platform.h"

#include <windows.h>

#include <oleacc.h>

#include <functional>
#include <string>
#include <vector>

namespace fanbord::win {

class Board;
class ControlObject;

// One control of the board as a screen reader meets it.
struct AccessibleControl {
    long role = ROLE_SYSTEM_STATICTEXT;
    const Widget* widget = nullptr;     // where it stands and whether it shows
    int width = 0, height = 0;          // its size on the board
    std::function<std::string()> name;  // what a screen reader calls it
    std::function<std::string()> value; // empty: it has none
    HWND window = nullptr;              // a button's own window: Press clicks it
    int tile = -1;                      // a tile's index: Press clicks the tile
};

// The board's controls in reading order, the tiles first.
std::vector<AccessibleControl> accessibleControls(const Widgets& w);

// Answers screen readers for the board and its buttons, and tells them what
// changes: focus, names, values, controls shown and hidden.
class BoardAccessibility {
public:
    BoardAccessibility(Board& board, std::vector<AccessibleControl> controls);
    ~BoardAccessibility();
    BoardAccessibility(const BoardAccessibility&) = delete;
    BoardAccessibility& operator=(const BoardAccessibility&) = delete;

    // WM_GETOBJECT for the board's window.
    LRESULT object(WPARAM wp, LPARAM lp);
    // Some control may have changed: raises the events for what did.
    void update();
    // The focus is on the board, at this tile.
    void focusOn(int tile);

    Board& board() { return board_; }
    const std::vector<AccessibleControl>& controls() const { return controls_; }
    // The object of a control that has a window of its own, else null.
    ControlObject* objectOf(int control) const { return objects_[std::size_t(control)]; }
    ControlObject* boardObject() const { return boardObject_; }

private:
    struct Seen {
        bool shown = false;
        std::string name, value;
        friend bool operator==(const Seen&, const Seen&) = default;
    };
    Seen seen(const AccessibleControl& c) const;

    Board& board_;
    std::vector<AccessibleControl> controls_;
    std::vector<Seen> seen_;               // as screen readers were last told
    ControlObject* boardObject_ = nullptr; // OBJID_CLIENT of the board
    std::vector<ControlObject*> objects_;  // OBJID_CLIENT of each button's window
};

} // namespace fanbord::win
