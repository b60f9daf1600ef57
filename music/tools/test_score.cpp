// What the score tools read from a score: the upbeat, in every form our scores
// write one, places the bars and so the dynamics; the dynamics line itself.
// And a built file rewritten with every event it had.
#include "score.h"
#include "smf.h"
#include "tests/engine/midi_bytes.h"

#include <doctest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

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

TEST_CASE("a file read and written again keeps every event, bytes and ticks") {
    using namespace fanbord::test;
    const auto stem = std::filesystem::temp_directory_path() / ("fanbord_test_smf_" + std::to_string(getpid()));
    const std::string in = stem.string() + "_in.mid", out = stem.string() + "_out.mid";
    const auto put = [&](const Bytes& b) {
        std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    };
    Smf file;
    std::string why;

    put(twoTempoSong());
    REQUIRE_MESSAGE(readSmf(in, file, why), why);
    REQUIRE(file.tracks.size() == 2);
    CHECK(file.tracks[1][0].bytes == Bytes{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    CHECK(file.tracks[1][3].bytes == Bytes{0x90, 64, 100}); // running status written out
    CHECK(file.tracks[1][3].tick == 480);

    // Without running status the rewritten file is the same file.
    Track notes;
    notes.at(0, {0xF0, 0x03, 0x43, 0x12, 0xF7}).at(0, {0xC0, 56}).at(0, {0x90, 60, 100}).at(480, {0x80, 60, 0}).end(0);
    const Bytes original = smf(1, 480, {Track().tempo(0, 500000).at(0, {0xFF, 0x58, 4, 3, 2, 24, 8}).end(960), notes});
    put(original);
    REQUIRE_MESSAGE(readSmf(in, file, why), why);
    REQUIRE_MESSAGE(writeSmf(out, file, why), why);
    std::ifstream back(out, std::ios::binary);
    CHECK(Bytes{std::istreambuf_iterator<char>(back), {}} == original);

    put(Bytes(original.begin(), original.end() - 2));
    CHECK_FALSE(readSmf(in, file, why));
    std::filesystem::remove(in);
    std::filesystem::remove(out);
}
