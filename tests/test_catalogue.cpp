#include "sim_fixture.h"

#include <doctest.h>
#include <string>
#include <vector>

using namespace fanbord;
using namespace fanbord::test;
using namespace std::string_literals;

TEST_CASE("media files follow the program folder") {
    struct Row {
        std::string name;
        std::string folder;
        int piece;
        std::string expected;
        char separator;
    };
    const std::vector<Row> rows = {
        {"windows anthem", "D:\\Flags"s, 3, "D:\\Flags\\Danmark.MID"s, '\\'},
        {"windows blip", "D:\\Flags"s, 34, "D:\\Flags\\BLIP.Wav"s, '\\'},
        {"unix anthem", "/opt/fanbord"s, 29, "/opt/fanbord/Österrike.MID"s, '/'},
        {"drum roll", "/opt/fanbord"s, 30, "/opt/fanbord/En_virvel_för_Tolvander.Wav"s, '/'},
        {"call", "/opt/fanbord"s, 31, "/opt/fanbord/GivAkt.Mid"s, '/'},
        {"march", "/opt/fanbord"s, 32, "/opt/fanbord/Paradmarsch.Mid"s, '/'},
        {"signal", "/opt/fanbord"s, 33, "/opt/fanbord/I3Ik.Mid"s, '/'},
        {"rumänien", "/"s, 19, "/Rumänien.mid"s, '/'},
    };
    for (const auto& [row, folder, piece, expected, separator] : rows) {
        INFO(row);
        SimWindow s;
        s.form.AppPath = appPathFrom(folder, separator);
        s.form.Init();
        REQUIRE(s.form.tables.MediaFile[piece] == expected);
    }
}

TEST_CASE("only four anthems end in upper case") {
    std::vector<std::string> upper;
    for (int i = 0; i < kNationCount; ++i) {
        const std::string f(kPieces[i].fileName);
        if (f.ends_with(".MID"))
            upper.push_back(f);
        else
            REQUIRE_MESSAGE(f.ends_with(".mid"), f.c_str());
    }
    REQUIRE(upper == (std::vector<std::string>{"Danmark.MID", "Grekland.MID", "Tyskland.MID", "Österrike.MID"}));
}

TEST_CASE("tables and tooltips") {
    SimWindow s;
    s.readyWithoutCeremony();
    REQUIRE(s.w().Flagga[28]->tooltip() == std::string("Wales flagga"));
    REQUIRE(s.w().Flagga[8]->tooltip() == std::string("Honduras flagga"));
    REQUIRE(s.w().Flagga[29]->tooltip() == std::string("Österrikes flagga"));
    REQUIRE(s.form.tables.NationName[0] == std::string("Australiens"));
    REQUIRE(s.form.tables.NationName[19] == std::string("Rumäniens"));
    REQUIRE(s.form.tables.NationName[kSverige] == std::string("Sveriges"));
    for (int i = 0; i < kNationCount; ++i) {
        REQUIRE(s.form.tables.FlagX[i] == 11 + 80 * (i % 6));
        REQUIRE(s.form.tables.FlagY[i] == 17 + 66 * (i / 6));
        // The copy origin is the tile's corner plus the cloth's offset inside it.
        REQUIRE(s.form.tables.FlagX[i] == (int(s.w().Flagga[i]->left()) + 3));
        REQUIRE(s.form.tables.FlagY[i] == (int(s.w().Flagga[i]->top()) + 9));
    }
}

TEST_CASE("init opens no file") {
    SimWindow s;
    s.platform.folder = "/nonexistent";
    s.form.AppPath = s.appPath();
    s.form.Init();
    REQUIRE(s.platform.scriptedMedia.graphs().empty());
    REQUIRE(s.platform.scriptedMedia.blips().empty());
}
