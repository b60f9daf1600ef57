#include "app/layout.h"
#include "sim_fixture.h"

#include <algorithm>
#include <cstdint>
#include <doctest.h>

using namespace fanbord;
using namespace fanbord::test;

namespace {
constexpr std::uint32_t kBlack = 0xFF000000u;
}

TEST_CASE("sleep crosses midnight") {
    SimWindow s;
    s.platform.clock_.startOfDay = 86399.5; // 23:59:59.5
    s.form.Sleep(1.0);
    REQUIRE(s.platform.clock_.now() >= 1.0);
    REQUIRE(s.platform.clock_.now() < 1.01);
}

TEST_CASE("sleep of nothing does not yield") {
    SimWindow s;
    s.form.Sleep(0);
    s.form.Sleep(-3);
    REQUIRE(s.platform.yields == 0);
    s.form.Sleep(0.01);
    REQUIRE(s.platform.yields > 0);
}

TEST_CASE("press dips and returns") {
    SimWindow s;
    s.readyWithoutCeremony();
    Image& tile = *s.w().Flagga[7];
    std::vector<double> seen;
    s.platform.at(0.1, [&] { seen = {tile.left(), tile.top()}; });
    s.form.ClickEffect(tile);
    REQUIRE(seen == (std::vector<double>{87, 73}));
    REQUIRE(tile.left() == 88.0);
    REQUIRE(tile.top() == 74.0);
    REQUIRE((s.platform.clock_.now() >= 0.2 && s.platform.clock_.now() < 0.21));
    REQUIRE(s.platform.scriptedMedia.blips() == (std::vector<std::string>{"/opt/fanbord/BLIP.Wav"}));
}

TEST_CASE("nested presses unwind inner first") {
    SimWindow s;
    s.readyWithoutCeremony();
    Image& tile = *s.w().Flagga[0];
    s.platform.at(0.1, [&] { s.form.ClickEffect(tile); });
    s.platform.log.clear();
    s.form.ClickEffect(tile);
    REQUIRE(s.platform.log ==
            ((std::vector<std::string>{"Flagga(0) at 7.000000,7.000000", "Flagga(0) at 6.000000,6.000000",
                                       "Flagga(0) at 7.000000,7.000000", "Flagga(0) at 8.000000,8.000000"})));
}

TEST_CASE("press on a hidden widget still blips and waits") {
    SimWindow s;
    s.readyWithoutCeremony();
    REQUIRE(!s.w().Quit->visible());
    s.form.ClickEffect(*s.w().Quit);
    REQUIRE(s.platform.scriptedMedia.blips().size() == std::size_t(1));
    REQUIRE(s.platform.clock_.now() >= 0.2);
}

TEST_CASE("the board takes a click where it is pressed and released, through labels, and shows tooltips") {
    SimWindow s;
    s.readyWithoutCeremony();
    const int x = layout::tileLeft(3) + 20, y = layout::tileTop(3) + 20;
    s.platform.pointerDown(0.1, x, y);
    s.platform.pointerUp(0.1, layout::tileLeft(4) + 20, y); // released on the next tile: no click
    REQUIRE(s.platform.runUntil(0.5));
    REQUIRE(s.platform.scriptedMedia.blips().empty());
    s.w().Intro->move(x - 5, y - 5); // the title line, over the tile
    s.w().Intro->setVisible(true);
    s.platform.click(1, x, y);
    REQUIRE(s.platform.runUntil(1.5));
    REQUIRE(s.form.CurrentFlag == std::int16_t(3));
    REQUIRE(s.platform.tooltipAt(x, y) == std::string("Danmarks flagga"));
    REQUIRE(s.platform.tooltipAt(520, 40) == std::string("Tillhandahöll noter för nationalhymnerna"));
    REQUIRE(s.platform.tooltipAt(490, 200) == std::string());
}

TEST_CASE("selecting Sweden hoists a framed copy") {
    SimWindow s;
    s.readyWithoutCeremony();
    REQUIRE(s.w().Flag->tooltip() == std::string());
    s.platform.clickTile(0.5, 22);
    REQUIRE(s.platform.runUntil(1.0));
    const sim::Raster kompis = s.platform.kompisBacking();
    REQUIRE(kompis.width == 68);
    for (int x = 0; x < 68; ++x)
        for (int y : {0, 1, 34, 35})
            REQUIRE(kompis.at(x, y) == kBlack);
    for (int y = 0; y < 36; ++y)
        for (int x : {0, 1, 66, 67})
            REQUIRE(kompis.at(x, y) == kBlack);
    for (int y = 2; y < 34; ++y)
        for (int x = 2; x < 66; ++x)
            REQUIRE(kompis.at(x, y) == sim::tileClothColour(22));
    REQUIRE(s.w().Flag->tooltip() == std::string("Sveriges flagga"));
    REQUIRE(s.w().Flag->left() == 507.0);
    REQUIRE(s.w().Flag->top() == 112.0);
    const sim::Raster* shown = sim::rasterOf(s.w().Flag->picture());
    REQUIRE((shown && shown->pixels == kompis.pixels));
    REQUIRE(s.form.CurrentFlag == std::int16_t(22));
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string("Sveriges"));
    REQUIRE(s.w().ShowInfo[1]->caption() == std::string("nationalhymn"));
    REQUIRE(s.sounding() == (std::vector<std::string>{"/opt/fanbord/Sverige.mid"}));
    // The copy was taken with the tile back in place, not dipped.
    REQUIRE(s.w().Flagga[22]->left() == 328.0);
}

TEST_CASE("clicking again restarts and another tile replaces") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.platform.clickTile(0, 22);
    s.platform.clickTile(3, 22);
    REQUIRE(s.platform.runUntil(3.5));
    REQUIRE(s.platform.scriptedMedia.graphs().size() == std::size_t(2));
    REQUIRE(s.form.Player->currentPosition() < 0.31);
    s.platform.clickTile(4, 9);
    REQUIRE(s.platform.runUntil(4.2));
    REQUIRE(s.sounding() == (std::vector<std::string>{"/opt/fanbord/Italien.mid"}));
    REQUIRE(near(s.platform.scriptedMedia.graphs()[1].releasedAt, 4.2));
}

TEST_CASE("before start up is over nothing plays") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.form.AutoPlay = false;
    s.platform.clickTile(0, 28);
    REQUIRE(s.platform.runUntil(1));
    REQUIRE(s.platform.scriptedMedia.graphs().empty());
    REQUIRE(s.w().Flag->tooltip() == std::string("Wales flagga"));
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string("Wales"));
    REQUIRE(s.form.CurrentFile == std::string("/opt/fanbord/Wales.mid"));
}

TEST_CASE("index outside the board is ignored") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.form.Flagga_Click(30);
    s.form.Flagga_Click(-1);
    REQUIRE(s.platform.scriptedMedia.blips().empty());
}

TEST_CASE("click storm leaves a consistent state") {
    SimWindow s;
    s.readyWithoutCeremony();
    unsigned seed = 12345;
    for (int k = 0; k < 400; ++k) {
        seed = seed * 1103515245u + 12345u;
        s.platform.clickTile(0.0007 * k, int(seed >> 16) % kNationCount); // many within one 0.2 s pause
    }
    REQUIRE(s.platform.runUntil(5));
    for (int i = 0; i < kNationCount; ++i) {
        REQUIRE(s.w().Flagga[i]->left() == double(8 + 80 * (i % 6)));
        REQUIRE(s.w().Flagga[i]->top() == double(8 + 66 * (i / 6)));
    }
    REQUIRE(s.platform.scriptedMedia.blips().size() == std::size_t(400));
    REQUIRE(s.sounding() == (std::vector<std::string>{s.form.tables.MediaFile[s.form.CurrentFlag]}));
    REQUIRE(s.w().ShowInfo[0]->caption() == s.form.tables.NationName[s.form.CurrentFlag]);
    REQUIRE(s.w().Flag->tooltip() == tileTooltip(s.form.CurrentFlag));
    REQUIRE(s.w().Flag->left() == 507.0);
}

TEST_CASE("about box closed during the roll") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setPiece(kDrumRoll, 6.0);
    s.w().Info->setVisible(true);
    s.platform.clickInfo(1);
    s.platform.closeAbout(3);
    REQUIRE(s.platform.runUntil(5));
    REQUIRE(s.platform.abouts.size() == std::size_t(1));
    const auto& about = s.platform.abouts[0];
    REQUIRE(about.title == std::string("Information om detta flaggprogram"));
    REQUIRE(about.text.find("Fanbord") == 0);
    REQUIRE(std::count(about.text.begin(), about.text.end(), '\r') == 1);
    REQUIRE(about.text.find('\n') == std::string::npos);
    REQUIRE(s.sounding().empty());
    REQUIRE(near(s.platform.scriptedMedia.graphs()[0].stoppedAt, 3.0));
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string());
}

TEST_CASE("about box keeps presses from the board") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.w().Info->setVisible(true);
    s.w().Quit->setVisible(true);
    s.platform.clickInfo(1);
    s.platform.clickTile(2, 22);
    s.platform.clickInfo(2.5);
    s.platform.clickQuit(3);
    s.platform.closeAbout(4);
    s.platform.clickTile(5, 22);
    REQUIRE(s.platform.runUntil(6));
    REQUIRE(s.platform.abouts.size() == std::size_t(1));
    const auto& graphs = s.platform.scriptedMedia.graphs();
    REQUIRE(int(graphs.size()) == 2); // the roll, then the anthem clicked after the box closed
    REQUIRE(near(graphs[1].ranAt, 5.0, 0.5));
    REQUIRE(s.platform.scriptedMedia.blips().size() == std::size_t(2));
}

TEST_CASE("about box left open past the roll") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setPiece(kDrumRoll, 6.0);
    s.w().Info->setVisible(true);
    s.platform.clickInfo(1);
    bool captionsDuringRoll = false;
    s.platform.at(3, [&] {
        captionsDuringRoll =
            s.w().ShowInfo[0]->caption() == "En virvel för" && s.w().ShowInfo[1]->caption() == "Tolvander";
    });
    s.platform.closeAbout(20);
    REQUIRE(s.platform.runUntil(10));
    REQUIRE(captionsDuringRoll);
    REQUIRE(!s.w().picProgBack->visible());
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string());
    REQUIRE(s.platform.runUntil(25));
    REQUIRE(near(s.platform.abouts[0].closedAt, 20.0));
    REQUIRE(!s.w().picProgBack->visible());
}

TEST_CASE("a missing roll ends the program before the box") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setUnplayable(kDrumRoll);
    s.w().Info->setVisible(true);
    s.platform.clickInfo(1);
    REQUIRE(!s.platform.runUntil(5));
    REQUIRE(s.platform.abouts.empty());
}
