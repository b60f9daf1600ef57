#include "sim_fixture.h"

#include <QtTest>
#include <algorithm>
#include <cstdint>

using namespace fanbord;
using namespace fanbord::test;

namespace {
constexpr std::uint32_t kBlack = 0xFF000000u;
}

class InteractionTest : public QObject {
    Q_OBJECT
private slots:
    void sleepCrossesMidnight() {
        SimWindow s;
        s.platform.clock_.startOfDay = 86399.5; // 23:59:59.5
        s.form.Sleep(1.0);
        QVERIFY(s.platform.clock_.now() >= 1.0);
        QVERIFY(s.platform.clock_.now() < 1.01);
    }

    void sleepOfNothingDoesNotYield() {
        SimWindow s;
        s.form.Sleep(0);
        s.form.Sleep(-3);
        QCOMPARE(s.platform.yields, 0);
        s.form.Sleep(0.01);
        QVERIFY(s.platform.yields > 0);
    }

    void pressDipsAndReturns() {
        SimWindow s;
        s.readyWithoutCeremony();
        Image& tile = *s.w().Flagga[7];
        std::vector<double> seen;
        s.platform.at(0.1, [&] { seen = {tile.left(), tile.top()}; });
        s.form.ClickEffect(tile);
        QCOMPARE(seen, (std::vector<double>{87, 73}));
        QCOMPARE(tile.left(), 88.0);
        QCOMPARE(tile.top(), 74.0);
        QVERIFY(s.platform.clock_.now() >= 0.2 && s.platform.clock_.now() < 0.21);
        QCOMPARE(s.platform.scriptedMedia.blips(), std::vector<std::string>{"/opt/fanbord/BLIP.Wav"});
    }

    void nestedPressesUnwindInnerFirst() {
        SimWindow s;
        s.readyWithoutCeremony();
        Image& tile = *s.w().Flagga[0];
        s.platform.at(0.1, [&] { s.form.ClickEffect(tile); });
        s.platform.log.clear();
        s.form.ClickEffect(tile);
        QCOMPARE(s.platform.log, (std::vector<std::string>{"Flagga(0) at 7.000000,7.000000", "Flagga(0) at 6.000000,6.000000",
                                                           "Flagga(0) at 7.000000,7.000000", "Flagga(0) at 8.000000,8.000000"}));
    }

    void pressOnAHiddenWidgetStillBlipsAndWaits() {
        SimWindow s;
        s.readyWithoutCeremony();
        QVERIFY(!s.w().Quit->visible());
        s.form.ClickEffect(*s.w().Quit);
        QCOMPARE(s.platform.scriptedMedia.blips().size(), std::size_t(1));
        QVERIFY(s.platform.clock_.now() >= 0.2);
    }

    void selectingSwedenHoistsAFramedCopy() {
        SimWindow s;
        s.readyWithoutCeremony();
        QCOMPARE(s.w().Flag->tooltip(), std::string());
        s.platform.clickTile(0.5, 22);
        QVERIFY(s.platform.runUntil(1.0));
        const sim::Raster kompis = s.platform.kompisBacking();
        QCOMPARE(kompis.width, 68);
        for (int x = 0; x < 68; ++x)
            for (int y : {0, 1, 34, 35})
                QCOMPARE(kompis.at(x, y), kBlack);
        for (int y = 0; y < 36; ++y)
            for (int x : {0, 1, 66, 67})
                QCOMPARE(kompis.at(x, y), kBlack);
        for (int y = 2; y < 34; ++y)
            for (int x = 2; x < 66; ++x)
                QCOMPARE(kompis.at(x, y), sim::tileClothColour(22));
        QCOMPARE(s.w().Flag->tooltip(), std::string("Sveriges flagga"));
        QCOMPARE(s.w().Flag->left(), 507.0);
        QCOMPARE(s.w().Flag->top(), 112.0);
        const sim::Raster* shown = sim::rasterOf(s.w().Flag->picture());
        QVERIFY(shown && shown->pixels == kompis.pixels);
        QCOMPARE(s.form.CurrentFlag, std::int16_t(22));
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string("Sveriges"));
        QCOMPARE(s.w().ShowInfo[1]->caption(), std::string("nationalhymn"));
        QCOMPARE(s.sounding(), std::vector<std::string>{"/opt/fanbord/Sverige.mid"});
        // The copy was taken with the tile back in place, not dipped.
        QCOMPARE(s.w().Flagga[22]->left(), 328.0);
    }

    void clickingAgainRestartsAndAnotherTileReplaces() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.platform.clickTile(0, 22);
        s.platform.clickTile(3, 22);
        QVERIFY(s.platform.runUntil(3.5));
        QCOMPARE(s.platform.scriptedMedia.graphs().size(), std::size_t(2));
        QVERIFY(s.form.Player->currentPosition() < 0.31);
        s.platform.clickTile(4, 9);
        QVERIFY(s.platform.runUntil(4.2));
        QCOMPARE(s.sounding(), std::vector<std::string>{"/opt/fanbord/Italien.mid"});
        QVERIFY(near(s.platform.scriptedMedia.graphs()[1].releasedAt, 4.2));
    }

    void beforeStartUpIsOverNothingPlays() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.form.AutoPlay = false;
        s.platform.clickTile(0, 28);
        QVERIFY(s.platform.runUntil(1));
        QVERIFY(s.platform.scriptedMedia.graphs().empty());
        QCOMPARE(s.w().Flag->tooltip(), std::string("Wales flagga"));
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string("Wales"));
        QCOMPARE(s.form.CurrentFile, std::string("/opt/fanbord/Wales.mid"));
    }

    void indexOutsideTheBoardIsIgnored() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.form.Flagga_Click(30);
        s.form.Flagga_Click(-1);
        QVERIFY(s.platform.scriptedMedia.blips().empty());
    }

    void clickStormLeavesAConsistentState() {
        SimWindow s;
        s.readyWithoutCeremony();
        unsigned seed = 12345;
        for (int k = 0; k < 400; ++k) {
            seed = seed * 1103515245u + 12345u;
            s.platform.clickTile(0.0007 * k, int(seed >> 16) % kNationCount); // many within one 0.2 s pause
        }
        QVERIFY(s.platform.runUntil(5));
        for (int i = 0; i < kNationCount; ++i) {
            QCOMPARE(s.w().Flagga[i]->left(), double(8 + 80 * (i % 6)));
            QCOMPARE(s.w().Flagga[i]->top(), double(8 + 66 * (i / 6)));
        }
        QCOMPARE(s.platform.scriptedMedia.blips().size(), std::size_t(400));
        QCOMPARE(s.sounding(), std::vector<std::string>{s.form.tables.MediaFile[s.form.CurrentFlag]});
        QCOMPARE(s.w().ShowInfo[0]->caption(), s.form.tables.NationName[s.form.CurrentFlag]);
        QCOMPARE(s.w().Flag->tooltip(), tileTooltip(s.form.CurrentFlag));
        QCOMPARE(s.w().Flag->left(), 507.0);
    }

    void aboutBoxClosedDuringTheRoll() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setPiece(kDrumRoll, 6.0);
        s.w().Info->setVisible(true);
        s.platform.clickInfo(1);
        s.platform.closeAbout(3);
        QVERIFY(s.platform.runUntil(5));
        QCOMPARE(s.platform.abouts.size(), std::size_t(1));
        const auto& about = s.platform.abouts[0];
        QCOMPARE(about.title, std::string("Information om detta flaggprogram"));
        QVERIFY(about.text.find("Fanbord") == 0);
        QCOMPARE(std::count(about.text.begin(), about.text.end(), '\r'), 1);
        QVERIFY(about.text.find('\n') == std::string::npos);
        QVERIFY(s.sounding().empty());
        QVERIFY(near(s.platform.scriptedMedia.graphs()[0].stoppedAt, 3.0));
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string());
    }

    void aboutBoxLeftOpenPastTheRoll() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setPiece(kDrumRoll, 6.0);
        s.w().Info->setVisible(true);
        s.platform.clickInfo(1);
        bool captionsDuringRoll = false;
        s.platform.at(3, [&] { captionsDuringRoll = s.w().ShowInfo[0]->caption() == "En virvel för" &&
                                                     s.w().ShowInfo[1]->caption() == "Tolvander"; });
        s.platform.closeAbout(20);
        QVERIFY(s.platform.runUntil(10));
        QVERIFY(captionsDuringRoll);
        QVERIFY(!s.w().picProgBack->visible());
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string());
        QVERIFY(s.platform.runUntil(25));
        QVERIFY(near(s.platform.abouts[0].closedAt, 20.0));
        QVERIFY(!s.w().picProgBack->visible());
    }

    void aMissingRollEndsTheProgramBeforeTheBox() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setUnplayable(kDrumRoll);
        s.w().Info->setVisible(true);
        s.platform.clickInfo(1);
        QVERIFY(!s.platform.runUntil(5));
        QVERIFY(s.platform.abouts.empty());
    }
};

QTEST_GUILESS_MAIN(InteractionTest)
#include "test_interaction.moc"
