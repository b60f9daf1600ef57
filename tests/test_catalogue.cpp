#include "sim_fixture.h"

#include <QtTest>
#include <string>
#include <vector>

using namespace fanbord;
using namespace fanbord::test;
using namespace std::string_literals;

class CatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void mediaFilesFollowTheProgramFolder_data() {
        QTest::addColumn<std::string>("folder");
        QTest::addColumn<int>("piece");
        QTest::addColumn<std::string>("expected");
        QTest::newRow("windows anthem") << "D:\\Flags"s << 3 << "D:\\Flags\\Danmark.MID"s;
        QTest::newRow("windows blip") << "D:\\Flags"s << 34 << "D:\\Flags\\BLIP.Wav"s;
        QTest::newRow("unix anthem") << "/opt/fanbord"s << 29 << "/opt/fanbord/Österrike.MID"s;
        QTest::newRow("drum roll") << "/opt/fanbord"s << 30 << "/opt/fanbord/En_virvel_för_Tolvander.Wav"s;
        QTest::newRow("call") << "/opt/fanbord"s << 31 << "/opt/fanbord/GivAkt.Mid"s;
        QTest::newRow("march") << "/opt/fanbord"s << 32 << "/opt/fanbord/Paradmarsch.Mid"s;
        QTest::newRow("signal") << "/opt/fanbord"s << 33 << "/opt/fanbord/I3Ik.Mid"s;
        QTest::newRow("rumänien") << "/"s << 19 << "/Rumänien.mid"s;
    }
    void mediaFilesFollowTheProgramFolder() {
        QFETCH(std::string, folder);
        QFETCH(int, piece);
        QFETCH(std::string, expected);
        SimWindow s;
        s.form.AppPath = appPathFrom(folder);
        s.form.Init();
        QCOMPARE(s.form.tables.MediaFile[piece], expected);
    }

    void onlyFourAnthemsEndInUpperCase() {
        std::vector<std::string> upper;
        for (int i = 0; i < kNationCount; ++i) {
            const std::string f(kPieces[i].fileName);
            if (f.ends_with(".MID"))
                upper.push_back(f);
            else
                QVERIFY2(f.ends_with(".mid"), f.c_str());
        }
        QCOMPARE(upper, (std::vector<std::string>{"Danmark.MID", "Grekland.MID", "Tyskland.MID", "Österrike.MID"}));
    }

    void tablesAndTooltips() {
        SimWindow s;
        s.readyWithoutCeremony();
        QCOMPARE(s.w().Flagga[28]->tooltip(), std::string("Wales flagga"));
        QCOMPARE(s.w().Flagga[8]->tooltip(), std::string("Honduras flagga"));
        QCOMPARE(s.w().Flagga[29]->tooltip(), std::string("Österrikes flagga"));
        QCOMPARE(s.form.tables.NationName[0], std::string("Australiens"));
        QCOMPARE(s.form.tables.NationName[19], std::string("Rumäniens"));
        QCOMPARE(s.form.tables.NationName[22], std::string("Sveriges"));
        for (int i = 0; i < kNationCount; ++i) {
            QCOMPARE(s.form.tables.FlagX[i], 11 + 80 * (i % 6));
            QCOMPARE(s.form.tables.FlagY[i], 17 + 66 * (i / 6));
            // The copy origin is the tile's corner plus the cloth's offset inside it.
            QCOMPARE(s.form.tables.FlagX[i], int(s.w().Flagga[i]->left()) + 3);
            QCOMPARE(s.form.tables.FlagY[i], int(s.w().Flagga[i]->top()) + 9);
        }
    }

    void initOpensNoFile() {
        SimWindow s;
        s.platform.folder = "/nonexistent";
        s.form.AppPath = appPathFrom(s.platform.folder);
        s.form.Init();
        QVERIFY(s.platform.scriptedMedia.graphs().empty());
        QVERIFY(s.platform.scriptedMedia.blips().empty());
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "test_catalogue.moc"
