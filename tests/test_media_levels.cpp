// Every piece beside the program, rendered through the engine as it plays it
// (real FluidSynth, the system's General MIDI SoundFont, the room): it stays
// clear of full scale, and no sample jumps out of the waveform around it.
#include "catalogue/catalogue.h"
#include "engine/offline_render.h"

#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

using namespace fanbord;

namespace {

constexpr int kRate = 44100;
constexpr double kMaxPeak = 0.95;
// A click: a step between neighbouring samples this many times the typical
// step around it (their RMS over a few milliseconds either side), and big
// enough to hear. Music moves smoothly from one sample to the next, even a
// snare's noise; a voice cut off mid-wave does not.
constexpr double kClickRatio = 12;
constexpr float kAudibleStep = 0.02f;
constexpr std::size_t kAround = 256; // frames either side

struct Level {
    std::string why; // empty when it rendered
    float peak = 0;
    double peakAt = 0;
    double ratio = 0; // of the worst audible step
    float step = 0;
    double stepAt = 0;
};

Level levelOf(const std::string& path) {
    Level l;
    OfflineRender r;
    if (!renderOffline(EngineOptions{.programFolder = FANBORD_PROGRAM_DIR, .rate = kRate}, path, 1.5, r, l.why))
        return l;
    const std::vector<float>& s = r.samples;
    const std::size_t frames = s.size() / 2;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > l.peak) {
            l.peak = std::abs(s[i]);
            l.peakAt = double(i / 2) / kRate;
        }
    for (int c = 0; c < 2; ++c) {
        // Running sums of the squared steps, for the RMS of any stretch.
        std::vector<double> sum(frames + 1);
        for (std::size_t i = 1; i < frames; ++i) {
            const double d = s[2 * i + c] - s[2 * i - 2 + c];
            sum[i + 1] = sum[i] + d * d;
        }
        for (std::size_t i = 1; i < frames; ++i) {
            const float step = std::abs(s[2 * i + c] - s[2 * i - 2 + c]);
            if (step < kAudibleStep)
                continue;
            const std::size_t from = std::max<std::size_t>(1, i - std::min(i, kAround)),
                              to = std::min(frames, i + kAround + 1);
            const double others = sum[to] - sum[from] - double(step) * step;
            const double ratio = step / std::sqrt(std::max(others, 1e-20) / double(to - from - 1));
            if (ratio > l.ratio) {
                l.ratio = ratio;
                l.step = step;
                l.stepAt = double(i) / kRate;
            }
        }
    }
    return l;
}

} // namespace

class MediaLevelsTest : public QObject {
    Q_OBJECT
    std::vector<Level> levels = std::vector<Level>(kPieceCount);

private slots:
    // Renders run far faster than real time; two at once fill a small machine.
    void initTestCase() {
        std::atomic<int> next{0};
        auto work = [&] {
            for (int i; (i = next++) < kPieceCount;)
                levels[std::size_t(i)] = levelOf(FANBORD_PROGRAM_DIR "/" + std::string(kPieces[i].fileName));
        };
        std::thread other(work);
        work();
        other.join();
    }

    void noPieceClipsOrClicks_data() {
        QTest::addColumn<int>("piece");
        for (int i = 0; i < kPieceCount; ++i)
            QTest::newRow(kPieces[i].fileName.data()) << i;
    }
    void noPieceClipsOrClicks() {
        QFETCH(int, piece);
        const Level& l = levels[std::size_t(piece)];
        QVERIFY2(l.why.empty(), l.why.c_str());
        qInfo("peak %.3f at %.3f s; worst step %.3f, %.1f times those around it, at %.4f s", l.peak, l.peakAt, l.step,
              l.ratio, l.stepAt);
        QVERIFY2(
            l.peak < kMaxPeak,
            qPrintable(
                QString("peak %1 at %2 s, over %3").arg(l.peak, 0, 'f', 3).arg(l.peakAt, 0, 'f', 3).arg(kMaxPeak)));
        QVERIFY2(l.ratio < kClickRatio, qPrintable(QString("a click at %1 s: a step of %2, %3 times those around it")
                                                       .arg(l.stepAt, 0, 'f', 4)
                                                       .arg(l.step, 0, 'f', 3)
                                                       .arg(l.ratio, 0, 'f', 1)));
    }
};

QTEST_GUILESS_MAIN(MediaLevelsTest)
#include "test_media_levels.moc"
