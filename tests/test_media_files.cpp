// The media files the build places beside the executable: every name of the
// catalogue, letter case included, each piece playable with a sensible length
// and the length music/README.md gives, and each anthem's melody opening as
// its published source has it.
#include "catalogue/catalogue.h"
#include "engine/audio_engine.h"
#include "engine/midi_reader.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <map>

using namespace fanbord;

namespace {

struct Band {
    double min, max;
};

Band bandOf(int piece) {
    switch (piece) {
    case kDrumRoll:
        return {5, 8};
    case kGivAkt:
        return {5, 12};
    case kParadmarsch:
        return {57, 62};
    case kI3Ik:
        return {5, 15};
    case kBlip:
        return {0.03, 0.08};
    default:
        return {30, 120};
    }
}

// Where the build put a piece, under its exact name.
QString pathOf(int piece) {
    return QString::fromUtf8(FANBORD_PROGRAM_DIR "/") + QString::fromUtf8(kPieces[piece].fileName.data());
}

// "C4" is middle C (60); flats as "Bb4", sharps as "F#5". -1 for anything else.
int pitchOf(const QString& name) {
    static const QRegularExpression form("^([A-G])(b|#)?(-?[0-9])$");
    const auto m = form.match(name);
    if (!m.hasMatch())
        return -1;
    static const std::map<QChar, int> step{{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    const int accidental = m.captured(2) == "b" ? -1 : m.captured(2) == "#" ? 1 : 0;
    return 12 * (m.captured(3).toInt() + 1) + step.at(m.captured(1).at(0)) + accidental;
}

// The trumpet voice carries the tune and is the first MIDI channel; where it
// sounds a chord, the top note is the melody.
std::vector<int> melodyOf(const MidiSong& song) {
    std::vector<int> pitches;
    double onset = -1;
    for (const MidiEvent& e : song.events) {
        if (e.status != 0x90 || e.data2 == 0)
            continue;
        if (e.seconds == onset)
            pitches.back() = std::max(pitches.back(), int(e.data1));
        else
            pitches.push_back(e.data1);
        onset = e.seconds;
    }
    return pitches;
}

// Repeated notes depend on the words and the setting, not on the tune.
std::vector<int> intervalsOf(std::vector<int> pitches) {
    pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
    std::vector<int> steps;
    for (std::size_t i = 1; i < pitches.size(); ++i)
        steps.push_back(pitches[i] - pitches[i - 1]);
    return steps;
}

struct Opening {
    QString kind, source;
    std::vector<int> pitches;
};

std::map<QString, Opening> readOpenings() {
    std::map<QString, Opening> rows;
    QFile file(FANBORD_SOURCE_DIR "/music/openings.tsv");
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QStringList cells = line.split('\t');
        if (line.startsWith('#') || cells.size() != 4)
            continue;
        Opening& row = rows[cells[0]];
        row.kind = cells[1];
        row.source = cells[2];
        for (const QString& name : cells[3].split(' ', Qt::SkipEmptyParts))
            row.pitches.push_back(pitchOf(name));
    }
    return rows;
}

// The length music/README.md gives a score in its entry ("lasts 64 s"), -1 if
// the entry is missing or does not give exactly one.
int statedLength(const QString& slug) {
    static const QString readme = [] {
        QFile file(FANBORD_SOURCE_DIR "/music/README.md");
        return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll()) : QString();
    }();
    // An entry is a list item, over as many lines as it takes.
    const QRegularExpression entry("^- `(?:\\w+/)?" + QRegularExpression::escape(slug) +
                                       "\\.abc`:((?:.|\\n(?!- |\\n))*)",
                                   QRegularExpression::MultilineOption);
    const QString text = entry.match(readme).captured(1);
    static const QRegularExpression lasts("lasts\\s+(\\d+)\\s+s\\b");
    auto found = lasts.globalMatch(text);
    if (!found.hasNext())
        return -1;
    const int seconds = found.next().captured(1).toInt();
    return found.hasNext() ? -1 : seconds;
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
        const std::string path = pathOf(piece).toStdString();
        auto graph = engine->createGraph();
        std::string why;
        QVERIFY2(graph->renderFile(path, why), (path + ": " + why).c_str());
        const Band band = bandOf(piece);
        const double length = graph->duration();
        qInfo("%s: %.2f s", kPieces[piece].fileName.data(), length);
        QVERIFY2(length >= band.min && length <= band.max, qPrintable(QString::number(length)));
        if (!QString::fromUtf8(kPieces[piece].fileName.data()).endsWith(".mid", Qt::CaseInsensitive))
            return;
        const int stated = statedLength(QString::fromUtf8(kPieces[piece].slug.data()));
        QVERIFY2(stated >= 0, "its entry in music/README.md gives no single length (\"lasts ... s\")");
        QVERIFY2(
            stated == int(std::lround(length)),
            qPrintable(QString("music/README.md gives %1 s, the file lasts %2 s").arg(stated).arg(length, 0, 'f', 2)));
    }

    void anthemOpensAsItsSource_data() {
        QTest::addColumn<int>("piece");
        for (int i = 0; i < kNationCount; ++i)
            QTest::newRow(kPieces[i].slug.data()) << i;
    }
    void anthemOpensAsItsSource() {
        QFETCH(int, piece);
        static const std::map<QString, Opening> openings = readOpenings();
        const auto row = openings.find(QString::fromUtf8(kPieces[piece].slug.data()));
        QVERIFY2(row != openings.end(), "no row in music/openings.tsv");
        const Opening& opening = row->second;
        const bool guard = opening.kind == "guard";
        QVERIFY2(guard || opening.kind == "source", "the kind is neither source nor guard");
        static const QRegularExpression unnamed("^\\s*($|-|none\\b)|none found",
                                                QRegularExpression::CaseInsensitiveOption);
        QVERIFY2(guard || !unnamed.match(opening.source).hasMatch(), "no published source named");
        QVERIFY2(std::count(opening.pitches.begin(), opening.pitches.end(), -1) == 0, "unreadable pitch name");
        const std::vector<int> expected = intervalsOf(opening.pitches);
        QVERIFY2(opening.pitches.size() >= 20 && expected.size() >= 10, "opening too short to tell the tune");

        QFile file(pathOf(piece));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        MidiSong song;
        std::string why;
        QVERIFY2(parseMidi(reinterpret_cast<const std::uint8_t*>(bytes.data()), std::size_t(bytes.size()), song, why),
                 why.c_str());
        std::vector<int> played = intervalsOf(melodyOf(song));
        const auto [at, _] = std::mismatch(expected.begin(), expected.end(), played.begin(), played.end());
        const auto step = at - expected.begin();
        QVERIFY2(at == expected.end(),
                 qPrintable(QString("interval %1: the source moves %2 semitones, the file %3")
                                .arg(step)
                                .arg(*at)
                                .arg(std::size_t(step) < played.size() ? QString::number(played[step]) : "nothing")));
        if (guard)
            QSKIP("our own setting, guarded against damage; there is no published source to check it against");
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
