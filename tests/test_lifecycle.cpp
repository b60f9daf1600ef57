#include "sim_fixture.h"

#include <algorithm>
#include <doctest.h>
#include <string>
#include <vector>

using namespace fanbord;
using namespace fanbord::test;
using namespace std::string_literals;

TEST_CASE("app path") {
    struct Row {
        std::string name;
        std::string folder;
        char separator;
        std::string expected;
    };
    const std::vector<Row> rows = {
        {"drive root", "C:\\"s, '\\', "C:\\"s},
        {"windows folder", "D:\\Flags"s, '\\', "D:\\Flags\\"s},
        {"unix root", "/"s, '/', "/"s},
        {"unix folder", "/opt/fanbord"s, '/', "/opt/fanbord/"s},
        {"unix backslash", "/home/Fan\\bord"s, '/', "/home/Fan\\bord/"s},
        {"unix colon second", "a:fanbord"s, '/', "a:fanbord/"s},
    };
    for (const auto& [row, folder, separator, expected] : rows) {
        INFO(row);
        REQUIRE(appPathFrom(folder, separator) == expected);
    }
}

TEST_CASE("load uses the platform separator") {
    SimWindow s;
    s.platform.folder = "C:\\Fanbord";
    s.platform.separator = '\\';
    s.platform.closeWindow(1);
    REQUIRE(!s.platform.load(2));
    REQUIRE(s.form.AppPath == std::string("C:\\Fanbord\\"));
}

TEST_CASE("load runs ceremony then reveals controls in order") {
    SimWindow s;
    REQUIRE(s.platform.runUntil(0));
    REQUIRE(s.platform.load(kReadyAt + 5));
    REQUIRE(s.platform.windowShown == 1);
    REQUIRE(s.form.AppPath == std::string("/opt/fanbord/"));
    REQUIRE(s.form.AutoPlay);
    const auto& log = s.platform.log;
    const auto intro = std::find(log.begin(), log.end(), "Intro shown");
    REQUIRE(intro != log.end());
    REQUIRE(*(intro + 1) == std::string("Info shown"));
    REQUIRE(*(intro + 2) == std::string("Quit shown"));
    // The controls appear only after the last piece and the pauses.
    const auto& graphs = s.platform.scriptedMedia.graphs();
    REQUIRE(int(graphs.size()) == 3);
    REQUIRE(graphs[2].file == s.path(kI3Ik));
    REQUIRE(s.w().Quit->visible());
}

TEST_CASE("controls hidden while the ceremony runs") {
    SimWindow s;
    bool hidden = false, autoPlay = true;
    s.platform.at(kReadyAt - 0.05, [&] {
        hidden = !s.w().Intro->visible() && !s.w().Info->visible() && !s.w().Quit->visible();
        autoPlay = s.form.AutoPlay;
    });
    bool shownAfterPause = false;
    s.platform.at(kReadyAt + 0.05, [&] { shownAfterPause = s.w().Quit->visible(); });
    REQUIRE(s.platform.load(kReadyAt + 1));
    REQUIRE(hidden);
    REQUIRE(autoPlay); // set before the final pause
    REQUIRE(shownAfterPause);
}

TEST_CASE("closing during the ceremony abandons it") {
    SimWindow s;
    bool autoPlayDuringCeremony = true;
    s.platform.at(20, [&] { autoPlayDuringCeremony = s.form.AutoPlay; });
    s.platform.closeWindow(30.0); // during the march
    REQUIRE(!s.platform.load(200));
    REQUIRE(!autoPlayDuringCeremony);
    REQUIRE(s.platform.ended());
    const auto& graphs = s.platform.scriptedMedia.graphs();
    REQUIRE(int(graphs.size()) == 2); // the signal never starts
    REQUIRE((graphs[1].releasedAt >= 30.0 && graphs[1].releasedAt < 30.01));
    REQUIRE(s.sounding().empty());
    REQUIRE(!s.w().Intro->visible());
    REQUIRE(s.form.Player == nullptr);
}

TEST_CASE("closing during the final pause abandons it") {
    SimWindow s;
    s.platform.closeWindow(kReadyAt - 0.5); // inside the one-second Sleep
    REQUIRE(!s.platform.load(200));
    REQUIRE(!s.w().Intro->visible());
    REQUIRE(s.platform.log.back() == std::string("end"));
}

TEST_CASE("quit while an anthem plays") {
    SimWindow s;
    REQUIRE(s.platform.load(kReadyAt + 1));
    s.platform.clickTile(kReadyAt + 2, 22);
    s.platform.clickQuit(kReadyAt + 5);
    std::vector<double> quitLeft;
    s.platform.at(kReadyAt + 5.1, [&] { quitLeft.push_back(s.w().Quit->left()); });
    REQUIRE(!s.platform.runUntil(kReadyAt + 20));
    REQUIRE(quitLeft == (std::vector<double>{351}));
    REQUIRE(int(s.platform.scriptedMedia.blips().size()) == 2);
    const auto& anthem = s.platform.scriptedMedia.graphs().back();
    REQUIRE(anthem.file == s.path(22));
    REQUIRE((anthem.releasedAt >= kReadyAt + 5.2 && anthem.releasedAt < kReadyAt + 5.21));
    // What must close at the end closes as the program ends, with nothing sounding.
    REQUIRE(near(s.endedAt, anthem.releasedAt, 0));
    REQUIRE(s.soundingAtEnd.empty());
    REQUIRE(s.platform.log.back() == std::string("end"));
}
