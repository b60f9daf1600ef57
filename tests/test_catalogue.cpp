#include "sim_fixture.h"

#include <QtTest>

using namespace fanbord;
using namespace fanbord::test;

class CatalogueTest : public QObject {
    Q_OBJECT
private slots:
    void mediaFilesFollowTheProgramFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("piece");
        QTest::addColumn<QString>("expected");
        QTest::newRow("windows anthem") << "D:\\Flags" << 3 << "D:\\Flags\\Danmark.MID";
        QTest::newRow("windows blip") << "D:\\Flags" << 34 << "D:\\Flags\\BLIP.Wav";
        QTest::newRow("unix anthem") << "/opt/fanbord" << 29 << "/opt/fanbord/Österrike.MID";
        QTest::newRow("drum roll") << "/opt/fanbord" << 30 << "/opt/fanbord/En_virvel_för_Tolvander.Wav";
        QTest::newRow("call") << "/opt/fanbord" << 31 << "/opt/fanbord/GivAkt.Mid";
        QTest::newRow("march") << "/opt/fanbord" << 32 << "/opt/fanbord/Paradmarsch.Mid";
        QTest::newRow("signal") << "/opt/fanbord" << 33 << "/opt/fanbord/I3Ik.Mid";
        QTest::newRow("rumänien") << "/" << 19 << "/Rumänien.mid";
    }
    void mediaFilesFollowTheProgramFolder() {
        QFETCH(QString, folder);
        QFETCH(int, piece);
        QFETCH(QString, expected);
        SimWindow s;
        s.form.AppPath = appPathFrom(folder.toStdString());
        s.form.Init();
        QCOMPARE(QString::fromStdString(s.form.tables.MediaFile[piece]), expected);
    }

    void onlyFourAnthemsEndInUpperCase() {
        QStringList upper;
        for (int i = 0; i < kNationCount; ++i) {
            const QString f = QString::fromUtf8(kPieces[i].fileName.data(), kPieces[i].fileName.size());
            if (f.endsWith(".MID"))
                upper << f;
            else
                QVERIFY2(f.endsWith(".mid"), qPrintable(f));
        }
        QCOMPARE(upper, QStringList({"Danmark.MID", "Grekland.MID", "Tyskland.MID", "Österrike.MID"}));
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
