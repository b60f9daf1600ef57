// The media files the build places beside the executable: every name of the
// catalogue, letter case included, and each piece playable with a sensible length.
#include "catalogue/catalogue.h"
#include "engine/audio_engine.h"

#include <QDir>
#include <QtTest>

using namespace fanbord;

namespace {

struct Band {
    double min, max;
};

Band bandOf(int piece) {
    switch (piece) {
    case kDrumRoll: return {5, 8};
    case kGivAkt: return {5, 12};
    case kParadmarsch: return {57, 62};
    case kI3Ik: return {5, 15};
    case kBlip: return {0.03, 0.08};
    default: return {20, 110};
    }
}

} // namespace

class MediaFilesTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AudioEngine> engine;

private slots:
    void initTestCase() { engine = std::make_unique<AudioEngine>(EngineOptions{.offline = true}); }

    void everyPieceIsThereAndPlays_data() {
        QTest::addColumn<int>("piece");
        for (int i = 0; i < kPieceCount; ++i)
            QTest::newRow(kPieces[i].fileName.data()) << i;
    }
    void everyPieceIsThereAndPlays() {
        QFETCH(int, piece);
        const std::string path = std::string(FANBORD_PROGRAM_DIR) + "/" + std::string(kPieces[piece].fileName);
        auto graph = engine->createGraph();
        std::string why;
        QVERIFY2(graph->renderFile(path, why), (path + ": " + why).c_str());
        const Band band = bandOf(piece);
        const double length = graph->duration();
        qInfo("%s: %.2f s", kPieces[piece].fileName.data(), length);
        QVERIFY2(length >= band.min && length <= band.max, qPrintable(QString::number(length)));
    }

    // On a case-sensitive file system the folder holds exactly the catalogue's names.
    void namesMatchTheCatalogueExactly() {
        QStringList expected;
        for (const Piece& p : kPieces)
            expected << QString::fromUtf8(p.fileName.data(), qsizetype(p.fileName.size()));
        QStringList present = QDir(FANBORD_PROGRAM_DIR).entryList(QDir::Files);
        present.removeAll("fanbord");
        expected.sort();
        present.sort();
        QCOMPARE(present, expected);
    }
};

QTEST_GUILESS_MAIN(MediaFilesTest)
#include "test_media_files.moc"
