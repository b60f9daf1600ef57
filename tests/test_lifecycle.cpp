#include "sim_fixture.h"

#include <QtTest>
#include <algorithm>
#include <string>

using namespace fanbord;
using namespace fanbord::test;
using namespace std::string_literals;

class LifecycleTest : public QObject {
    Q_OBJECT
private slots:
    void appPath_data() {
        QTest::addColumn<std::string>("folder");
        QTest::addColumn<std::string>("expected");
        QTest::newRow("drive root") << "C:\\"s << "C:\\"s;
        QTest::newRow("windows folder") << "D:\\Flags"s << "D:\\Flags\\"s;
        QTest::newRow("unix root") << "/"s << "/"s;
        QTest::newRow("unix folder") << "/opt/fanbord"s << "/opt/fanbord/"s;
    }
    void appPath() {
        QFETCH(std::string, folder);
        QFETCH(std::string, expected);
        QCOMPARE(appPathFrom(folder), expected);
    }

    void loadRunsCeremonyThenRevealsControlsInOrder() {
        SimWindow s;
        QVERIFY(s.platform.runUntil(0));
        QVERIFY(s.platform.load(kReadyAt + 5));
        QCOMPARE(s.platform.windowShown, 1);
        QCOMPARE(s.form.AppPath, std::string("/opt/fanbord/"));
        QVERIFY(s.form.AutoPlay);
        const auto& log = s.platform.log;
        const auto intro = std::find(log.begin(), log.end(), "Intro shown");
        QVERIFY(intro != log.end());
        QCOMPARE(*(intro + 1), std::string("Info shown"));
        QCOMPARE(*(intro + 2), std::string("Quit shown"));
        // The controls appear only after the last piece and the pauses.
        const auto& graphs = s.platform.scriptedMedia.graphs();
        QCOMPARE(int(graphs.size()), 3);
        QCOMPARE(graphs[2].file, s.path(kI3Ik));
        QVERIFY(s.w().Quit->visible());
    }

    void controlsHiddenWhileTheCeremonyRuns() {
        SimWindow s;
        bool hidden = false, autoPlay = true;
        s.platform.at(kReadyAt - 0.05, [&] {
            hidden = !s.w().Intro->visible() && !s.w().Info->visible() && !s.w().Quit->visible();
            autoPlay = s.form.AutoPlay;
        });
        bool shownAfterPause = false;
        s.platform.at(kReadyAt + 0.05, [&] { shownAfterPause = s.w().Quit->visible(); });
        QVERIFY(s.platform.load(kReadyAt + 1));
        QVERIFY(hidden);
        QVERIFY(autoPlay); // set before the final pause
        QVERIFY(shownAfterPause);
    }

    void closingDuringTheCeremonyAbandonsIt() {
        SimWindow s;
        bool autoPlayDuringCeremony = true;
        s.platform.at(20, [&] { autoPlayDuringCeremony = s.form.AutoPlay; });
        s.platform.closeWindow(30.0); // during the march
        QVERIFY(!s.platform.load(200));
        QVERIFY(!autoPlayDuringCeremony);
        QVERIFY(s.platform.ended());
        const auto& graphs = s.platform.scriptedMedia.graphs();
        QCOMPARE(int(graphs.size()), 2); // the signal never starts
        QVERIFY(graphs[1].releasedAt >= 30.0 && graphs[1].releasedAt < 30.01);
        QVERIFY(s.sounding().empty());
        QVERIFY(!s.w().Intro->visible());
        QVERIFY(s.form.Player == nullptr);
    }

    void closingDuringTheFinalPauseAbandonsIt() {
        SimWindow s;
        s.platform.closeWindow(kReadyAt - 0.5); // inside the one-second Sleep
        QVERIFY(!s.platform.load(200));
        QVERIFY(!s.w().Intro->visible());
        QCOMPARE(s.platform.log.back(), std::string("end"));
    }

    void quitWhileAnAnthemPlays() {
        SimWindow s;
        QVERIFY(s.platform.load(kReadyAt + 1));
        s.platform.clickTile(kReadyAt + 2, 22);
        s.platform.clickQuit(kReadyAt + 5);
        std::vector<double> quitLeft;
        s.platform.at(kReadyAt + 5.1, [&] { quitLeft.push_back(s.w().Quit->left()); });
        QVERIFY(!s.platform.runUntil(kReadyAt + 20));
        QCOMPARE(quitLeft, std::vector<double>{351});
        QCOMPARE(int(s.platform.scriptedMedia.blips().size()), 2);
        const auto& anthem = s.platform.scriptedMedia.graphs().back();
        QCOMPARE(anthem.file, s.path(22));
        QVERIFY(anthem.releasedAt >= kReadyAt + 5.2 && anthem.releasedAt < kReadyAt + 5.21);
        QVERIFY(s.sounding().empty());
        QCOMPARE(s.platform.log.back(), std::string("end"));
    }
};

QTEST_GUILESS_MAIN(LifecycleTest)
#include "test_lifecycle.moc"
