#include "app/layout.h"

namespace fanbord::layout {

namespace {

std::vector<WidgetRow> build() {
    std::vector<WidgetRow> w;
    constexpr ArtSize board = artSize(Art::Board), bar = artSize(Art::ProgressBar), marker = artSize(Art::Marker);
    w.push_back({.name = Name::Pico, .kind = Kind::PictureBox, .left = 0, .top = 0, .width = board.width,
                 .height = board.height, .art = Art::Board, .tabIndex = 0});
    w.push_back({.name = Name::playTimer, .kind = Kind::Timer, .intervalMs = 1000});
    w.push_back({.name = Name::picProgBack, .kind = Kind::PictureBox, .parent = Name::Pico, .left = 8, .top = 350,
                 .width = bar.width, .height = bar.height, .visible = false, .art = Art::ProgressBar, .tabIndex = 5});
    w.push_back({.name = Name::picProg, .kind = Kind::PictureBox, .parent = Name::picProgBack, .left = -marker.width,
                 .top = 0, .width = marker.width, .height = marker.height, .art = Art::Marker, .tabIndex = 6});
    w.push_back({.name = Name::Info, .kind = Kind::Button, .parent = Name::Pico, .left = 280, .top = 376,
                 .width = 62, .height = 30, .visible = false, .art = Art::InfoFace, .background = kCyan, .caption = "Info",
                 .tabIndex = 4});
    w.push_back({.name = Name::Timer2, .kind = Kind::Timer, .intervalMs = 1000});
    w.push_back({.name = Name::Kompis, .kind = Kind::PictureBox, .parent = Name::Pico, .left = 80, .top = 480,
                 .width = kClothWidth, .height = kClothHeight, .visible = false, .background = kWhite, .tabIndex = 3});
    w.push_back({.name = Name::Quit, .kind = Kind::Button, .parent = Name::Pico, .left = 352, .top = 376,
                 .width = 62, .height = 30, .visible = false, .art = Art::QuitFace, .background = kCyan, .caption = "Sluta",
                 .tabIndex = 2});
    w.push_back({.name = Name::Sponsor, .kind = Kind::Label, .parent = Name::Pico, .left = 500, .top = 0,
                 .width = 80, .height = 97, .tooltip = "Tillhandahöll noter för nationalhymnerna", .tabIndex = 9});
    for (int i = 0; i < 2; ++i)
        w.push_back({.name = Name::ShowInfo, .index = i, .kind = Kind::Label, .parent = Name::Pico, .left = 424,
                     .top = 376 + 16 * i, .width = 136, .height = 14, .textColour = kRed, .tabIndex = 7 + i});
    for (int i = 0; i < kNationCount; ++i)
        w.push_back({.name = Name::Flagga, .index = i, .kind = Kind::Image, .parent = Name::Pico,
                     .left = tileLeft(i), .top = tileTop(i), .width = kTileWidth, .height = kTileHeight,
                     .art = Art::Tile});
    w.push_back({.name = Name::Sverige, .kind = Kind::Image, .parent = Name::Pico, .left = 488, .top = 500,
                 .width = kClothWidth, .height = kClothHeight, .visible = false, .art = Art::SwedishFlag});
    w.push_back({.name = Name::Flag, .kind = Kind::Image, .parent = Name::Pico, .left = kHoistFootLeft,
                 .top = kHoistFootTop, .width = 33, .height = 18, .stretch = true});
    w.push_back({.name = Name::Intro, .kind = Kind::Label, .parent = Name::Pico, .left = 8, .top = 376,
                 .width = 255, .height = 29, .visible = false, .background = kCyan, .textColour = kNavy,
                 .caption = "Fanbord A-Ö med musik", .fontPoints = 18, .tabIndex = 1});
    return w;
}

} // namespace

void bind(Widgets& w, const WidgetRow& s, PictureBox* box) {
    if (s.name == Name::Pico) w.Pico = box;
    if (s.name == Name::picProgBack) w.picProgBack = box;
    if (s.name == Name::picProg) w.picProg = box;
    if (s.name == Name::Kompis) w.Kompis = box;
}

void bind(Widgets& w, const WidgetRow& s, Image* image) {
    if (s.name == Name::Flagga) w.Flagga[s.index] = image;
    if (s.name == Name::Sverige) w.Sverige = image;
    if (s.name == Name::Flag) w.Flag = image;
}

void bind(Widgets& w, const WidgetRow& s, Label* label) {
    if (s.name == Name::Sponsor) w.Sponsor = label;
    if (s.name == Name::ShowInfo) w.ShowInfo[s.index] = label;
    if (s.name == Name::Intro) w.Intro = label;
}

void bind(Widgets& w, const WidgetRow& s, Button* button) { (s.name == Name::Info ? w.Info : w.Quit) = button; }

void bind(Widgets& w, const WidgetRow& s, Timer* timer) {
    (s.name == Name::playTimer ? w.playTimer : w.Timer2) = timer;
}

const std::vector<WidgetRow>& widgets() {
    static const std::vector<WidgetRow> table = build();
    return table;
}

} // namespace fanbord::layout
