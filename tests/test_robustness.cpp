// Bad media files in every role, played by the real engine: the program takes
// its quit path (or, for the blip, plays the default sound) and never crashes
// or hangs.
#include "engine/audio_engine.h"
#include "engine/midi_bytes.h"
#include "sim_fixture.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <unistd.h>

using namespace fanbord;
using namespace fanbord::test;

namespace {

Bytes shortSong() {
    Track t;
    t.at(0, {0x90, 60, 90}).at(96, {0x80, 60, 0}).end();
    return smf(0, 96, {t});
}

Bytes shortWav() {
    Bytes b = {'R', 'I', 'F',  'F',  0, 0, 0,    0,    'W',  'A', 'V', 'E', 'f', 'm', 't', ' ', 16,  0,   0, 0, 1, 0,
               1,   0,   0x44, 0xAC, 0, 0, 0x88, 0x58, 0x01, 0,   2,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0};
    const std::uint32_t bytes = 2 * 4410;
    for (int i = 0; i < 4; ++i)
        b[40 + i] = std::uint8_t(bytes >> (8 * i));
    for (std::uint32_t i = 0; i < bytes; ++i)
        b.push_back(std::uint8_t(i % 7));
    const std::uint32_t riff = std::uint32_t(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = std::uint8_t(riff >> (8 * i));
    return b;
}

void write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

enum class Role { Anthem, Ceremony, DrumRoll, Blip };

} // namespace

class RobustnessTest : public QObject {
    Q_OBJECT
    std::unique_ptr<AudioEngine> engine;

private slots:
    void initTestCase() { engine = std::make_unique<AudioEngine>(EngineOptions{.offline = true}); }

    void badFiles_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("kind");
        const std::pair<Role, const char*> roles[] = {{Role::Anthem, "anthem"},
                                                      {Role::Ceremony, "ceremony"},
                                                      {Role::DrumRoll, "drum roll"},
                                                      {Role::Blip, "blip"}};
        for (auto [role, name] : roles)
            for (const char* kind :
                 {"missing", "empty", "truncated", "garbage", "other format", "directory", "unreadable"})
                QTest::newRow(qPrintable(QString("%1, %2").arg(name, kind))) << int(role) << QString(kind);
    }
    void badFiles() {
        QFETCH(int, role);
        QFETCH(QString, kind);
        if (kind == "unreadable" && geteuid() == 0)
            QSKIP("root reads any file");
        QTemporaryDir dir;
        SimWindow s;
        s.platform.folder = dir.path().toStdString();
        s.platform.realMedia = engine.get();
        std::vector<float> scratch;
        float loudest = 0;
        s.platform.advance = [&](double seconds) {
            scratch.resize(2 * std::size_t(seconds * engine->rate() + 1));
            engine->render(scratch.data(), scratch.size() / 2);
            for (float x : scratch)
                loudest = std::max(loudest, std::abs(x));
        };
        const std::string folder = s.appPath();
        for (int i = 0; i < kPieceCount; ++i)
            write(folder + std::string(kPieces[i].fileName), i == kDrumRoll || i == kBlip ? shortWav() : shortSong());

        const int piece = std::array{22, kParadmarsch, kDrumRoll, kBlip}[role];
        const std::string path = folder + std::string(kPieces[piece].fileName);
        const bool isWav = piece == kDrumRoll || piece == kBlip;
        std::remove(path.c_str());
        if (kind == "empty")
            write(path, {});
        if (kind == "truncated") {
            Bytes b = isWav ? shortWav() : shortSong();
            b.resize(isWav ? 30 : b.size() - 5);
            write(path, b);
        }
        if (kind == "garbage")
            write(path, Bytes(500, 0x5A));
        if (kind == "other format")
            write(path, isWav ? shortSong() : shortWav());
        if (kind == "directory")
            QVERIFY(QDir().mkpath(QString::fromStdString(path)));
        if (kind == "unreadable") {
            write(path, isWav ? shortWav() : shortSong());
            QFile::setPermissions(QString::fromStdString(path), {});
        }

        // Played by content, a valid file of the other format is no fault.
        const bool mustEnd = role != int(Role::Blip) && kind != "other format";
        bool ended = false;
        s.platform.timeLimit = 600;
        try {
            switch (Role(role)) {
            case Role::Ceremony:
                ended = !s.platform.load(400);
                break;
            case Role::Anthem:
                s.readyWithoutCeremony();
                s.platform.clickTile(0, 22);
                ended = !s.platform.runUntil(2);
                break;
            case Role::DrumRoll:
                s.readyWithoutCeremony();
                s.w().Info->setVisible(true);
                s.platform.clickInfo(0);
                s.platform.closeAbout(1);
                ended = !s.platform.runUntil(2);
                break;
            case Role::Blip:
                s.readyWithoutCeremony();
                s.form.ClickEffect(*s.w().Flagga[3]);
                break;
            }
        } catch (const sim::TimeLimitReached&) {
            QFAIL("hung");
        }
        QCOMPARE(ended, mustEnd);
        if (Role(role) == Role::Blip)
            QVERIFY2(loudest > 0.01f, "no sound for the press"); // the file or the default tone
    }
};

QTEST_GUILESS_MAIN(RobustnessTest)
#include "test_robustness.moc"
