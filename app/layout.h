#pragma once
// The window's widgets as data: every platform builds the same board from it.
#include "app/platform.h"

#include <optional>
#include <string_view>
#include <vector>

namespace fanbord::layout {

inline constexpr int kWindowWidth = 566;
inline constexpr int kWindowHeight = 420;

inline constexpr Rgb kCyan{0, 255, 255};
inline constexpr Rgb kNavy{0, 0, 128};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};

inline constexpr int kTileColumns = 6;
inline constexpr int tileLeft(int i) { return 8 + 80 * (i % kTileColumns); }
inline constexpr int tileTop(int i) { return 8 + 66 * (i / kTileColumns); }
// Where the flag cloth lies inside a tile.
inline constexpr int kClothLeft = 3, kClothTop = 9, kClothWidth = 68, kClothHeight = 36;
inline constexpr int kTileWidth = 76, kTileHeight = 65;
// The flag on the pole: the foot of the hoist, where it starts its climb, and
// the top, where the framed copy hangs.
inline constexpr int kHoistFootLeft = 508, kHoistFootTop = 284;
inline constexpr int kPoleTopLeft = 507, kPoleTopTop = 112;

// The window's font, where a row names none.
inline constexpr std::string_view kWindowFont = "MS Sans Serif";

enum class Kind { PictureBox, Image, Label, Button, Timer };

enum class Art { None, Board, Tile, SwedishFlag, ProgressBar, Marker, InfoFace, QuitFace };

struct ArtSize {
    int width = 0, height = 0;
};

// Every picture's size in board pixels, whoever draws it. A button's face is a
// little larger than its button, which centres it.
inline constexpr ArtSize artSize(Art art) {
    switch (art) {
    case Art::Board: return {572, 420};
    case Art::Tile: return {kTileWidth, kTileHeight};
    case Art::SwedishFlag: return {kClothWidth, kClothHeight};
    case Art::ProgressBar: return {452, 16};
    case Art::Marker: return {10, 10};
    case Art::InfoFace:
    case Art::QuitFace: return {64, 32};
    case Art::None: break;
    }
    return {};
}

enum class Name {
    Pico, playTimer, picProgBack, picProg, Info, Timer2, Kompis, Quit, Sponsor, ShowInfo, Flagga, Sverige, Flag, Intro
};

struct WidgetRow {
    Name name;
    int index = 0; // element of a widget array
    Kind kind;
    std::optional<Name> parent{}; // nullopt: the window itself
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    Art art = Art::None;             // background picture, image picture or button face
    std::optional<Rgb> background{}; // nullopt: transparent, or the system window colour for Pico
    std::optional<Rgb> textColour{}; // nullopt: the system window-text colour
    bool stretch = false;
    std::string_view caption{}; // a label's text; a button's name, which its face shows
    std::string_view tooltip{};
    std::string_view font = kWindowFont; // family
    int fontPoints = 0;
    int tabIndex = -1;
    int intervalMs = 0;
};

// The text size in pixels: points at the classic 96 dpi, so the text is the
// same size everywhere; without points, the system's 8-point dialog font.
inline int fontPixels(const WidgetRow& s) {
    return s.fontPoints > 0 ? (s.fontPoints * 96 + 36) / 72 : 11;
}

// Files a platform's widget under its name in the window's widget set.
void bind(Widgets& w, const WidgetRow& s, PictureBox* box);
void bind(Widgets& w, const WidgetRow& s, Image* image);
void bind(Widgets& w, const WidgetRow& s, Label* label);
void bind(Widgets& w, const WidgetRow& s, Button* button);
void bind(Widgets& w, const WidgetRow& s, Timer* timer);

// In creation order, which is also the stacking order of windowless widgets
// on the board (later ones are painted over earlier ones).
const std::vector<WidgetRow>& widgets();

} // namespace fanbord::layout
