// The audio thread only mixes: on the real FluidSynth with Debian's General
// MIDI SoundFont, through a start, a replacement, a blocking sound, a stop
// and a piece played out, SDL's audio thread asks nothing of the heap, the
// file system or GLib's locks once it is running.
#include "audio_thread_probe.h"
#include "engine/audio_engine.h"
#include "midi_bytes.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

using namespace fanbord;
using namespace fanbord::test;

namespace {

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Sixteen quavers at 120 bpm (4 s) on the given programs, a bank select, and drums
// on channel 10, so that a piece selects presets no other piece has.
Bytes band(std::uint8_t bank, std::uint8_t low, std::uint8_t high) {
    Track t;
    t.at(0, {0xB0, 0, bank}).at(0, {0xC0, low}).at(0, {0xC1, high}).at(0, {0xC9, 0});
    for (int beat = 0; beat < 16; ++beat) {
        const auto key = std::uint8_t(48 + beat % 5);
        t.at(0, {0x90, key, 90}).at(0, {0x91, std::uint8_t(key + 12), 80}).at(0, {0x99, 38, 100});
        t.at(240, {0x80, key, 0}).at(0, {0x81, std::uint8_t(key + 12), 0}).at(0, {0x89, 38, 0});
    }
    return smf(0, 480, {t.end()});
}

} // namespace

class AudioThreadTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("SDL_AUDIODRIVER", "dummy"); // SDL's own thread and timing, without a sound card
        QVERIFY2(QFile::exists(kSoundFont), "Debian's fluid-soundfont-gm is not installed");
        writeFile(path("brass.mid"), band(0, 56, 57));
        writeFile(path("strings.mid"), band(8, 48, 40));
        writeFile(path("other.mid"), band(0, 73, 24));
    }

    void onlyMixesOnTheRealSynth() {
        AudioEngine engine(EngineOptions{.soundFonts = {kSoundFont}});
        QCOMPARE(engine.soundFont(), std::string(kSoundFont));
        std::string why;
        auto start = [&](const char* name) {
            auto g = engine.createGraph();
            if (!g->renderFile(path(name), why) || !g->run(why))
                qFatal("cannot play %s: %s", name, why.c_str());
            return g;
        };
        auto sounding = [](const std::unique_ptr<MediaGraph>& g, double seconds) {
            return QTest::qWaitFor([&] { return g->currentPosition() > seconds; }, 10000);
        };

        // Warm-up: SDL's thread starts and settles on a blocking sound (the default tone).
        engine.playBlocking(path("no-such.wav"));
        probe::reset();

        auto g = start("brass.mid");
        QVERIFY(sounding(g, 0.3));
        g = start("strings.mid"); // new presets, loaded while the first piece fades
        QVERIFY(sounding(g, 0.3));
        engine.playBlocking(path("no-such.wav"));
        QVERIFY(sounding(g, 0.6));
        g->stop();
        g = start("other.mid");
        QVERIFY(sounding(g, 0.2));
        g = start("brass.mid");
        QVERIFY(QTest::qWaitFor([&] { return g->currentPosition() >= g->duration(); }, 20000));
        // Played out; then cut by a piece of its own, so that every hand-back is done.
        g = start("strings.mid");
        QVERIFY(sounding(g, 0.3));

        const probe::Counts c = probe::counts();
        const QByteArray seen = QString("allocations %1, frees %2, file opens %3, GLib locks %4")
                                    .arg(c.heap)
                                    .arg(c.frees)
                                    .arg(c.opens)
                                    .arg(c.locks)
                                    .toUtf8();
        QVERIFY2(c.heap == 0 && c.frees == 0 && c.opens == 0 && c.locks == 0, seen.constData());
    }
};

QTEST_GUILESS_MAIN(AudioThreadTest)
#include "test_audio_thread.moc"
