#include "sim_fixture.h"

#include <doctest.h>
#include <vector>

using namespace fanbord;
using namespace fanbord::test;

TEST_CASE("marker follows a piece and the bar hides at its end") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setPiece(0, 61.4);
    s.startPiece(0);
    REQUIRE(s.form.Playing);
    REQUIRE(s.w().playTimer->enabled());
    REQUIRE(!s.w().picProgBack->visible());
    REQUIRE(s.platform.runUntil(1.0)); // the first tick, one interval later
    REQUIRE(s.w().picProgBack->visible());
    REQUIRE(s.w().picProg->left() == 7.0); // 1 / 61.4 * 452 = 7.36
    REQUIRE(s.platform.runUntil(61.0));
    REQUIRE(s.w().picProg->left() == 449.0); // 61 / 61.4 * 452 = 449.06
    REQUIRE(s.w().picProgBack->visible());
    REQUIRE(s.platform.runUntil(62.0));
    REQUIRE(!s.w().picProgBack->visible());
    REQUIRE(!s.form.Playing);
    REQUIRE(!s.w().playTimer->enabled());
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string());
    REQUIRE(s.w().ShowInfo[1]->caption() == std::string());
    REQUIRE(s.w().picProg->left() == 449.0); // stays put while hidden
}

TEST_CASE("whole seconds round half to even") {
    struct Row {
        std::string name;
        double seconds;
        int expected;
    };
    const std::vector<Row> rows = {
        {"2.5", 2.5, 2},
        {"3.5", 3.5, 4},
        {"2.49", 2.49, 2},
        {"-0.5", -0.5, 0},
        {"beyond 16 bits", 40000.0, 32767},
        {"far below", -1e9, -32768},
    };
    for (const auto& [row, seconds, expected] : rows) {
        INFO(row);
        REQUIRE(int(roundToInt16(seconds)) == expected);
    }
}

TEST_CASE("a piece shorter than a tick is never shown") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setPiece(5, 0.6);
    s.startPiece(5);
    REQUIRE(s.platform.runUntil(3));
    REQUIRE(!s.w().picProgBack->visible());
    REQUIRE(s.w().picProg->left() == -10.0);
    REQUIRE(!s.form.Playing);
    REQUIRE(!s.w().playTimer->enabled());
}

TEST_CASE("stop before any start changes nothing") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.w().ShowInfo[0]->setCaption("a");
    s.w().ShowInfo[1]->setCaption("b");
    s.form.StopPlay();
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string("a"));
    REQUIRE(s.w().ShowInfo[1]->caption() == std::string("b"));
}

TEST_CASE("stop keeps the graph and playing but freezes the bar") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.startPiece(1);
    REQUIRE(s.platform.runUntil(3.5));
    s.form.StopPlay();
    REQUIRE(s.form.Player != nullptr);
    REQUIRE(s.form.Playing);
    REQUIRE(s.sounding().empty());
    REQUIRE(!s.w().playTimer->enabled());
    REQUIRE(s.w().picProgBack->visible()); // frozen, not hidden
    REQUIRE(s.platform.runUntil(20));
    REQUIRE(s.w().picProgBack->visible());
}

TEST_CASE("starting another piece silences the first at once") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.startPiece(1);
    REQUIRE(s.platform.runUntil(4.0));
    s.startPiece(2);
    const auto& graphs = s.platform.scriptedMedia.graphs();
    REQUIRE(near(graphs[0].releasedAt, 4.0));
    REQUIRE(s.sounding() == (std::vector<std::string>{s.path(2)}));
    REQUIRE(s.form.Player->currentPosition() == 0.0);
}

TEST_CASE("a zero length keeps the marker at the start") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setPiece(1, 0.0);
    s.startPiece(1);
    s.form.ShowTime(3);
    REQUIRE(s.w().picProg->left() == 0.0);
}

TEST_CASE("an unplayable file ends the program") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.setUnplayable(7);
    s.form.CurrentFile = s.form.tables.MediaFile[7];
    bool ended = false;
    try {
        s.form.StartPlay();
    } catch (const sim::ProgramEnded&) {
        ended = true;
    }
    REQUIRE(ended);
    REQUIRE(!s.form.Playing);
    REQUIRE(s.form.Player == nullptr);
    REQUIRE(s.platform.scriptedMedia.blips().size() == std::size_t(1)); // the Quit press feedback
}

TEST_CASE("a missing framework ends the program") {
    SimWindow s;
    s.readyWithoutCeremony();
    s.platform.scriptedMedia.frameworkMissing = true;
    s.form.CurrentFile = s.form.tables.MediaFile[7];
    REQUIRE_THROWS_AS(s.form.StartPlay(), sim::ProgramEnded);
}
