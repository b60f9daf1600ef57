// An anthem through a real sound server, as the program plays it: the engine
// on SDL's PulseAudio driver, a private daemon (started by pulse-session) with
// a null sink whose monitor is recorded, against the offline render of the
// same file. The same length, no silent gap the render lacks, the same shape.
#include "engine/audio_engine.h"
#include "engine/offline_render.h"
#include "recording.h"

#include <QtTest>

using namespace fanbord;

namespace {

constexpr int kRate = 44100;
const std::string kAnthem = FANBORD_PROGRAM_DIR "/Sverige.mid";

EngineOptions asTheProgram() {
    return EngineOptions{.programFolder = FANBORD_PROGRAM_DIR};
}

} // namespace

class SoundServerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariableIsSet("PULSE_SERVER"), "run through tests/sound/pulse-session");
        qputenv("SDL_AUDIODRIVER", "pulseaudio");
    }

    void anAnthemSoundsAsRendered() {
        OfflineRender render;
        std::string why;
        QVERIFY2(renderOffline(asTheProgram(), kAnthem, 2.0, render, why), why.c_str());
        const double seconds = render.seconds;

        sound::Recorder recorder(kRate);
        QVERIFY(recorder.running());
        QVERIFY2(QTest::qWaitFor([&] { return recorder.frames() > 0; }, 10000), "the monitor records nothing");

        AudioEngine engine(asTheProgram());
        auto g = engine.createGraph();
        QVERIFY2(g->renderFile(kAnthem, why) && g->run(why), why.c_str());
        const std::size_t startedAt = recorder.frames();
        const int deadline = int((seconds + 60) * 1000);
        QVERIFY(QTest::qWaitFor([&] { return g->currentPosition() >= g->duration(); }, deadline));
        // The last notes' release, as far as the render goes.
        const auto until = startedAt + std::size_t((seconds + 2.5) * kRate);
        QVERIFY(QTest::qWaitFor([&] { return recorder.frames() >= until; }, 30000));

        const sound::Comparison c = sound::compare(render.samples, recorder.stop(), kRate);
        QVERIFY2(c.ok(), c.describe().c_str());
    }
};

QTEST_GUILESS_MAIN(SoundServerTest)
#include "test_sound_server.moc"
