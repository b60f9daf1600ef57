#include "sim_fixture.h"

#include <QtTest>
#include <cmath>
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

double climbHeight(int step) { return 284 - step * 3.555556; }

} // namespace

class CeremonyTest : public QObject {
    Q_OBJECT
private slots:
    void piecesAndCaptionsInOrder() {
        SimWindow s;
        std::vector<std::pair<std::string, std::string>> captions;
        s.platform.at(1, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
        s.platform.at(30, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
        s.platform.at(75, [&] { captions.push_back({s.w().ShowInfo[0]->caption(), s.w().ShowInfo[1]->caption()}); });
        QVERIFY(s.platform.load(kReadyAt + 1));
        QCOMPARE(captions[0], (std::pair<std::string, std::string>{"Giv akt !", ""}));
        QCOMPARE(captions[1], (std::pair<std::string, std::string>{"Arméns", "paradmarsch"}));
        QCOMPARE(captions[2], (std::pair<std::string, std::string>{"Livregementets Grenadjärers", "igenkänningssignal"}));
        const auto& g = s.platform.scriptedMedia.graphs();
        QCOMPARE(g.size(), std::size_t(3));
        QCOMPARE(g[0].file, s.path(kGivAkt));
        QVERIFY(near(g[0].stoppedAt, 3.0)); // the progress tick at its end
        QCOMPARE(g[1].file, s.path(kParadmarsch));
        QVERIFY(std::abs(g[1].ranAt - 7.0) < 0.01);
        QVERIFY(std::abs(g[2].ranAt - 71.0) < 0.01);
        QVERIFY(!s.w().Timer2->enabled());
    }

    void sixtySecondMarchHoistsTheFlagTickByTick() {
        SimWindow s;
        const double marchStart = 7.0;
        const auto samples = watchFlag(s, 0, 90);
        for (const Sample& x : samples) {
            if (x.at < marchStart + 1) { // before the first tick: at the foot
                QCOMPARE(x.left, 508.0);
                QCOMPARE(x.top, 284.0);
                continue;
            }
            const int ticks = int(x.at - marchStart); // ticks so far, counting 0 … 
            if (ticks <= 49) {
                QCOMPARE(x.left, 508.0);
                QVERIFY2(std::abs(x.top - climbHeight(ticks - 1)) < 1e-9, std::to_string(x.at).c_str());
            } else if (ticks <= 55) {
                QCOMPARE(x.top, climbHeight(48)); // resting just below the top
            } else {
                QCOMPARE(x.left, 507.0);
                QCOMPARE(x.top, 112.0);
            }
        }
        QCOMPARE(s.form.HoistStep, std::int16_t(55));
    }

    void thirtySecondMarchResumesTheHoistDuringTheSignal() {
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
        QVERIFY(std::abs(at(36).top - climbHeight(28)) < 1e-9);
        QCOMPARE(at(38).left, 507.0); // pinned by the parade
        QCOMPARE(at(38).top, 112.0);
        QVERIFY(std::abs(at(42).top - 177.333320) < 1e-6); // count 30 on the first signal tick
        QCOMPARE(at(42).left, 508.0);
        QVERIFY(std::abs(at(50).top - climbHeight(38)) < 1e-9);
        for (double t = 60; t <= 66; ++t) // count 48 at 60, then counts 49 … 54 leave it
            QCOMPARE(at(t).top, climbHeight(48));
        // The signal tick at 67 finds count 55: pinned, one pixel left, and stopped.
        QCOMPARE(at(67).left, 507.0);
        QCOMPARE(at(67).top, 112.0);
        QVERIFY(!s.w().Timer2->enabled());
        QCOMPARE(s.form.HoistStep, std::int16_t(55));
    }

    void aPieceThatNeverEndsKeepsTheWindowLive() {
        SimWindow s;
        s.platform.scriptedMedia.setPiece(s.path(kParadmarsch), sim::ScriptedMedia::kNeverEnds);
        s.platform.clickTile(500, 3);
        s.platform.closeWindow(1000);
        QVERIFY(!s.platform.load(2000));
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string("Danmarks"));
        QCOMPARE(s.form.CurrentFlag, std::int16_t(3));
        QCOMPARE(s.platform.scriptedMedia.graphs().size(), std::size_t(2)); // the click starts no anthem
    }

    void anUnplayableCeremonyPieceEndsTheProgram() {
        SimWindow s;
        s.setUnplayable(kI3Ik);
        QVERIFY(!s.platform.load(200));
        QVERIFY(!s.w().Intro->visible());
        QCOMPARE(s.platform.scriptedMedia.blips().size(), std::size_t(1)); // the hidden Quit's blip
    }

    void aClickDuringTheClimbCarriesTheNewFlagUp() {
        SimWindow s;
        s.platform.clickTile(20.3, 13);
        std::vector<Sample> seen;
        s.platform.at(20.55, [&] { seen.push_back({0, s.w().Flag->left(), s.w().Flag->top()}); });
        s.platform.at(21.5, [&] { seen.push_back({0, s.w().Flag->left(), s.w().Flag->top()}); });
        QVERIFY(s.platform.load(22));
        QCOMPARE(seen[0].top, 112.0); // the click put it at the top …
        QCOMPARE(seen[0].left, 507.0);
        QCOMPARE(seen[1].left, 508.0); // … and the next tick carries it back to the climb
        QVERIFY(std::abs(seen[1].top - climbHeight(13)) < 1e-9);
        const sim::Raster* shown = sim::rasterOf(s.w().Flag->picture());
        QVERIFY(shown);
        QCOMPARE(shown->at(30, 18), sim::tileClothColour(13));
        for (const auto& g : s.platform.scriptedMedia.graphs())
            QVERIFY(g.file != s.path(13)); // no anthem during the ceremony
    }
};

QTEST_GUILESS_MAIN(CeremonyTest)
#include "test_ceremony.moc"
