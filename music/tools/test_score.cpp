// What the score tools read from a score: the upbeat, in every form our scores
// write one, places the bars and so the dynamics; the dynamics line itself.
#include "score.h"

#include <doctest.h>

#include <filesystem>
#include <fstream>

using namespace fanbord;

namespace {

bool read(const std::string& text, Score& score, std::string& why) {
    const auto path = std::filesystem::temp_directory_path() / "fanbord_test_score.abc";
    std::ofstream(path) << text;
    const bool ok = readScore(path.string(), score, why);
    std::filesystem::remove(path);
    return ok;
}

double upbeatOf(const std::string& header, const std::string& firstVoice) {
    Score score;
    std::string why;
    REQUIRE_MESSAGE(read("X:1\n" + header + "\nK:F\nV:1\n" + firstVoice + "\nV:2\nz8|C8|]\n", score, why), why);
    return score.upbeat;
}

} // namespace

TEST_CASE("the upbeat is what the first voice plays before its first bar line, in crotchets") {
    CHECK(upbeatOf("M:4/4\nL:1/8", "F2|\"Bb\"B2 F2 D2 F2|") == 1);
    CHECK(upbeatOf("M:4/4\nL:1/8", "\"C\"(3:2:2C2C|\"F\"A4 F C D F|") == 1);
    CHECK(upbeatOf("M:4/4\nL:1/8", "B/2 G3/2 E/2|\"Ab\"c4 B7/2 c/2|") == 1.25);
    CHECK(upbeatOf("M:3/4\nL:1/16", "G3A|\"Eb\"B7A G3A|") == 1);
    CHECK(upbeatOf("M:4/4\nL:1/8", "!f![DF]2|C8|") == 1);
    CHECK(upbeatOf("M:3/4\nL:1/4", "\"G\"G G A|F>G A|") == 0); // a whole first bar is no upbeat
}

TEST_CASE("the dynamics line gives its marks in order and refuses what it cannot read") {
    Score score;
    std::string why;
    REQUIRE(read("X:1\nM:4/4\nL:1/8\n%%dynamics 0 mf, 4:3.5 f, 5 pp\nK:C\nC8|\n", score, why));
    REQUIRE(score.dynamics.size() == 3);
    CHECK(score.dynamics[1].bar == 4);
    CHECK(score.dynamics[1].beat == 3.5);
    CHECK(score.dynamics[1].level > score.dynamics[0].level);
    CHECK(score.dynamics[2].level < score.dynamics[0].level);
    CHECK_FALSE(read("X:1\n%%dynamics 3 f, 2 mf\nK:C\nC8|\n", score, why));
    CHECK_FALSE(read("X:1\n%%dynamics 3 loud\nK:C\nC8|\n", score, why));
}
