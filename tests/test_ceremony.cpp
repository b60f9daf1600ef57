#include "sim_fixture.h"

#include <cmath>
#include <doctest.h>
#include <memory>
#include <string>

using namespace fanbord;
using namespace fanbord::test;

namespace {

struct Sample {
    double at, left, top;
};

// The flag's place just after each whole second of the run.
std::vector<Sample> watchFlag(SimWindow& s, double from, double to) {
    auto samples = std::make_shared<std::vector<Sample>>();
    for (double t = from; t <= to; t += 1.0)
        s.platform.at(t + 0.5, [&s, samples, t] { samples->push_back({t, s.w().Flag->left(), s.w().Flag->top()}); });
    s.platform.load(to + 1);
    return *samples;
}

double climbHeight(int step) {
    return 284 - step * 3.555556;
}

} // namespace

TEST_CASE("pieces and captions in order") {
    SimWindow s;
    std::vector<std::pair<std::string, std::string>> captions;
    s.platform.at(1, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
    s.platform.at(30, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
    s.platform.at(75, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
    REQUIRE(s.platform.load(kReadyAt + 1));
    REQUIRE(captions[0] == (std::pair<std::string, std::string>{"Giv akt !", ""}));
    REQUIRE(captions[1] == (std::pair<std::string, std::string>{"Arméns", "paradmarsch"}));
    REQUIRE(captions[2] == (std::pair<std::string, std::string>{"Livregementets Grenadjärers", "igenkänningssignal"}));
    const auto& g = s.platform.scriptedMedia.graphs();
    REQUIRE(g.size() == std::size_t(3));
    REQUIRE(g[0].file == s.path(kGivAkt));
    REQUIRE(near(g[0].stoppedAt, 3.0)); // the progress tick at its end
    REQUIRE(g[1].file == s.path(kParadmarsch));
    REQUIRE(std::abs(g[1].ranAt - 7.0) < 0.01);
    REQUIRE(std::abs(g[2].ranAt - 71.0) < 0.01);
    REQUIRE(!s.w().Timer2->enabled());
}

TEST_CASE("sixty second march hoists the flag tick by tick") {
    SimWindow s;
    const double marchStart = 7.0;
    const auto samples = watchFlag(s, 0, 90);
    for (const Sample& x : samples) {
        if (x.at < marchStart + 1) { // before the first tick: at the foot
            REQUIRE(x.left == 508.0);
            REQUIRE(x.top == 284.0);
            continue;
        }
        const int ticks = int(x.at - marchStart); // ticks so far, counting 0 …
        if (ticks <= 49) {
            REQUIRE(x.left == 508.0);
            REQUIRE_MESSAGE(std::abs(x.top - climbHeight(ticks - 1)) < 1e-9, std::to_string(x.at).c_str());
        } else if (ticks <= 55) {
            REQUIRE(x.top == climbHeight(48)); // resting just below the top
        } else {
            REQUIRE(x.left == 507.0);
            REQUIRE(x.top == 112.0);
        }
    }
    REQUIRE(s.form.HoistStep == std::int16_t(55));
}

TEST_CASE("thirty second march resumes the hoist during the signal") {
    SimWindow s;
    s.setPiece(kParadmarsch, 30.0);
    s.setPiece(kI3Ik, 40.0);
    // Call 3 + 4 s; march from 7 to 37 (30 ticks, count 0 … 29); pause to 41; signal from 41.
    const auto samples = watchFlag(s, 0, 100);
    auto at = [&](double t) {
        for (const Sample& x : samples)
            if (x.at == t)
                return x;
        return Sample{};
    };
    REQUIRE(std::abs(at(36).top - climbHeight(28)) < 1e-9);
    REQUIRE(at(38).left == 507.0); // pinned by the parade
    REQUIRE(at(38).top == 112.0);
    REQUIRE(std::abs(at(42).top - 177.333320) < 1e-6); // count 30 on the first signal tick
    REQUIRE(at(42).left == 508.0);
    REQUIRE(std::abs(at(50).top - climbHeight(38)) < 1e-9);
    for (double t = 60; t <= 66; ++t) // count 48 at 60, then counts 49 … 54 leave it
        REQUIRE(at(t).top == climbHeight(48));
    // The signal tick at 67 finds count 55: pinned, one pixel left, and stopped.
    REQUIRE(at(67).left == 507.0);
    REQUIRE(at(67).top == 112.0);
    REQUIRE(!s.w().Timer2->enabled());
    REQUIRE(s.form.HoistStep == std::int16_t(55));
}

TEST_CASE("a piece that never ends keeps the window live") {
    SimWindow s;
    s.platform.scriptedMedia.setPiece(s.path(kParadmarsch), sim::ScriptedMedia::kNeverEnds);
    s.platform.clickTile(500, 3);
    s.platform.closeWindow(1000);
    REQUIRE(!s.platform.load(2000));
    REQUIRE(s.w().ShowInfo[0]->caption() == std::string("Danmarks"));
    REQUIRE(s.form.CurrentFlag == std::int16_t(3));
    REQUIRE(s.platform.scriptedMedia.graphs().size() == std::size_t(2)); // the click starts no anthem
}

TEST_CASE("an unplayable ceremony piece ends the program") {
    SimWindow s;
    s.setUnplayable(kI3Ik);
    REQUIRE(!s.platform.load(200));
    REQUIRE(!s.w().Intro->visible());
    REQUIRE(s.platform.scriptedMedia.blips().size() == std::size_t(1)); // the hidden Quit's blip
}

TEST_CASE("a click during the climb carries the new flag up") {
    SimWindow s;
    s.platform.clickTile(20.3, 13);
    std::vector<Sample> seen;
    s.platform.at(20.55, [&] { seen.push_back({0, s.w().Flag->left(), s.w().Flag->top()}); });
    s.platform.at(21.5, [&] { seen.push_back({0, s.w().Flag->left(), s.w().Flag->top()}); });
    REQUIRE(s.platform.load(22));
    REQUIRE(seen[0].top == 112.0); // the click put it at the top …
    REQUIRE(seen[0].left == 507.0);
    REQUIRE(seen[1].left == 508.0); // … and the next tick carries it back to the climb
    REQUIRE(std::abs(seen[1].top - climbHeight(13)) < 1e-9);
    const sim::Raster* shown = sim::rasterOf(s.w().Flag->picture());
    REQUIRE(shown);
    REQUIRE(shown->at(30, 18) == sim::tileClothColour(13));
    for (const auto& g : s.platform.scriptedMedia.graphs())
        REQUIRE(g.file != s.path(13)); // no anthem during the ceremony
}
