#include "sim_fixture.h"

#include <QtTest>

using namespace fanbord;
using namespace fanbord::test;

class MediaPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void markerFollowsAPieceAndTheBarHidesAtItsEnd() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setPiece(0, 61.4);
        s.form.CurrentFile = s.form.tables.MediaFile[0];
        s.form.StartPlay();
        QVERIFY(s.form.Playing);
        QVERIFY(s.w().playTimer->enabled());
        QVERIFY(!s.w().picProgBack->visible());
        QVERIFY(s.platform.runUntil(1.0)); // the first tick, one interval later
        QVERIFY(s.w().picProgBack->visible());
        QCOMPARE(s.w().picProg->left(), 7.0); // 1 / 61.4 * 452 = 7.36
        QVERIFY(s.platform.runUntil(61.0));
        QCOMPARE(s.w().picProg->left(), 449.0); // 61 / 61.4 * 452 = 449.06
        QVERIFY(s.w().picProgBack->visible());
        QVERIFY(s.platform.runUntil(62.0));
        QVERIFY(!s.w().picProgBack->visible());
        QVERIFY(!s.form.Playing);
        QVERIFY(!s.w().playTimer->enabled());
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string());
        QCOMPARE(s.w().ShowInfo[1]->caption(), std::string());
        QCOMPARE(s.w().picProg->left(), 449.0); // stays put while hidden
    }

    void wholeSecondsRoundHalfToEven_data() {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5") << 2.5 << 2;
        QTest::newRow("3.5") << 3.5 << 4;
        QTest::newRow("2.49") << 2.49 << 2;
        QTest::newRow("-0.5") << -0.5 << 0;
        QTest::newRow("beyond 16 bits") << 40000.0 << 32767;
        QTest::newRow("far below") << -1e9 << -32768;
    }
    void wholeSecondsRoundHalfToEven() {
        QFETCH(double, seconds);
        QFETCH(int, expected);
        QCOMPARE(int(roundToInt16(seconds)), expected);
    }

    void aPieceShorterThanATickIsNeverShown() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setPiece(5, 0.6);
        s.form.CurrentFile = s.form.tables.MediaFile[5];
        s.form.StartPlay();
        QVERIFY(s.platform.runUntil(3));
        QVERIFY(!s.w().picProgBack->visible());
        QCOMPARE(s.w().picProg->left(), -10.0);
        QVERIFY(!s.form.Playing);
        QVERIFY(!s.w().playTimer->enabled());
    }

    void stopBeforeAnyStartChangesNothing() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.w().ShowInfo[0]->setCaption("a");
        s.w().ShowInfo[1]->setCaption("b");
        s.form.StopPlay();
        QCOMPARE(s.w().ShowInfo[0]->caption(), std::string("a"));
        QCOMPARE(s.w().ShowInfo[1]->caption(), std::string("b"));
    }

    void stopKeepsTheGraphAndPlayingButFreezesTheBar() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.form.CurrentFile = s.form.tables.MediaFile[1];
        s.form.StartPlay();
        QVERIFY(s.platform.runUntil(3.5));
        s.form.StopPlay();
        QVERIFY(s.form.Player != nullptr);
        QVERIFY(s.form.Playing);
        QVERIFY(s.sounding().empty());
        QVERIFY(!s.w().playTimer->enabled());
        QVERIFY(s.w().picProgBack->visible()); // frozen, not hidden
        QVERIFY(s.platform.runUntil(20));
        QVERIFY(s.w().picProgBack->visible());
    }

    void startingAnotherPieceSilencesTheFirstAtOnce() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.form.CurrentFile = s.form.tables.MediaFile[1];
        s.form.StartPlay();
        QVERIFY(s.platform.runUntil(4.0));
        s.form.CurrentFile = s.form.tables.MediaFile[2];
        s.form.StartPlay();
        const auto& graphs = s.platform.scriptedMedia.graphs();
        QVERIFY(near(graphs[0].releasedAt, 4.0));
        QCOMPARE(s.sounding(), std::vector<std::string>{s.path(2)});
        QCOMPARE(s.form.Player->currentPosition(), 0.0);
    }

    void aZeroLengthKeepsTheMarkerAtTheStart() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.setPiece(1, 0.0);
        s.form.CurrentFile = s.form.tables.MediaFile[1];
        s.form.StartPlay();
        s.form.ShowTime(3);
        QCOMPARE(s.w().picProg->left(), 0.0);
    }

    void anUnplayableFileEndsTheProgram() {
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
        QVERIFY(ended);
        QVERIFY(!s.form.Playing);
        QVERIFY(s.form.Player == nullptr);
        QCOMPARE(s.platform.scriptedMedia.blips().size(), std::size_t(1)); // the Quit press feedback
    }

    void aMissingFrameworkEndsTheProgram() {
        SimWindow s;
        s.readyWithoutCeremony();
        s.platform.scriptedMedia.frameworkMissing = true;
        s.form.CurrentFile = s.form.tables.MediaFile[7];
        QVERIFY_THROWS_EXCEPTION(sim::ProgramEnded, s.form.StartPlay());
    }
};

QTEST_GUILESS_MAIN(MediaPlayerTest)
#include "test_media_player.moc"
