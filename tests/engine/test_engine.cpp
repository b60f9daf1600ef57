#include "engine/audio_engine.h"
#include "engine/audio_output.h"
#include "engine/midi_reader.h"
#include "engine/reverb.h"
#include "engine/wav_loader.h"
#include "midi_bytes.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <sys/fsuid.h>
#include <unistd.h>

using namespace fanbord;
using namespace fanbord::test;

namespace {

// SDL names its audio thread as it starts it.
bool audioThreadRunning() {
    for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm("/proc/self/task/" + task + "/comm");
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().startsWith("SDLAudioP"))
            return true;
    }
    return false;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A RIFF/WAVE file of 16-bit PCM; `dataBytesClaimed` may exceed what follows.
Bytes wav16(int rate, int channels, const std::vector<std::int16_t>& samples, std::uint32_t dataBytesClaimed = 0) {
    Bytes b;
    auto le = [&b](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.push_back(std::uint8_t(v >> (8 * i)));
    };
    const std::uint32_t data = std::uint32_t(samples.size() * 2);
    const std::uint32_t claimed = dataBytesClaimed ? dataBytesClaimed : data;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    le(36 + claimed, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    le(16, 4);
    le(1, 2);
    le(std::uint32_t(channels), 2);
    le(std::uint32_t(rate), 4);
    le(std::uint32_t(rate * channels * 2), 4);
    le(std::uint32_t(channels * 2), 2);
    le(16, 2);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    le(claimed, 4);
    for (std::int16_t s : samples)
        le(std::uint16_t(s), 2);
    return b;
}

double rms(const std::vector<float>& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to && i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(std::max<std::size_t>(1, to - from)));
}

std::vector<float> renderSeconds(AudioEngine& e, double seconds) {
    std::vector<float> out(std::size_t(seconds * e.rate()) * 2);
    for (std::size_t done = 0; done < out.size() / 2;) {
        const std::size_t n = std::min<std::size_t>(512, out.size() / 2 - done);
        e.render(out.data() + 2 * done, n);
        done += n;
    }
    return out;
}

} // namespace

class EngineTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<AudioEngine> engine; // with the system's SoundFont, loaded once

    std::string path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        qputenv("SDL_AUDIODRIVER", "dummy"); // the threaded tests keep time without a sound card
        engine = std::make_unique<AudioEngine>(EngineOptions{.offline = true});
    }

    void readerFollowsTheTempoMap() {
        const Bytes b = twoTempoSong();
        MidiSong song;
        std::string why;
        QVERIFY2(parseMidi(b.data(), b.size(), song, why), why.c_str());
        QCOMPARE(song.length, 2.5);
        QCOMPARE(song.events.size(), std::size_t(7)); // program, 3 on, 3 off; SysEx and meta dropped
        QCOMPARE(song.events[2].seconds, 0.5);       // the running-status note, at the tempo change
        QCOMPARE(song.events[2].status, std::uint8_t(0x90));
        QCOMPARE(song.events[2].data1, std::uint8_t(64));
        QCOMPARE(song.events.back().seconds, 2.5);
    }

    void readerRejectsBrokenFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        const Bytes good = twoTempoSong();
        auto qb = [](const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); };
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("garbage") << QByteArray("this is not a MIDI file at all");
        QTest::newRow("header only") << qb(Bytes(good.begin(), good.begin() + 14));
        for (std::size_t cut : {20u, 30u, 40u, 60u})
            QTest::newRow(qPrintable(QString("truncated at %1").arg(cut))) << qb(Bytes(good.begin(), good.begin() + cut));
        Track noEnd;
        noEnd.at(0, {0x90, 60, 100});
        QTest::newRow("track without end") << qb(smf(0, 96, {noEnd}));
        Track dataFirst;
        dataFirst.at(0, {60, 100}).end();
        QTest::newRow("data without status") << qb(smf(0, 96, {dataFirst}));
        QTest::newRow("format 2") << qb(smf(2, 96, {Track().end()}));
    }
    void readerRejectsBrokenFiles() {
        QFETCH(QByteArray, bytes);
        MidiSong song;
        std::string why;
        QVERIFY(!parseMidi(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()), song, why));
        QVERIFY(!why.empty());
    }

    void midiPlaysWithItsLengthAndPositionRises() {
        writeFile(path("song.mid"), twoTempoSong());
        auto g = engine->createGraph();
        std::string why;
        QVERIFY2(g->renderFile(path("song.mid"), why), why.c_str());
        QCOMPARE(g->duration(), 2.5);
        QCOMPARE(g->currentPosition(), 0.0);
        QVERIFY(g->run(why));
        double last = 0;
        std::vector<float> all;
        for (int i = 0; i < 26; ++i) {
            const auto part = renderSeconds(*engine, 0.1);
            all.insert(all.end(), part.begin(), part.end());
            QVERIFY(g->currentPosition() >= last);
            last = g->currentPosition();
        }
        QVERIFY(g->currentPosition() >= g->duration());
        QVERIFY2(rms(all, 0, all.size()) > 0.01, "silent");
        float peak = 0;
        for (float s : all)
            peak = std::max(peak, std::abs(s));
        QVERIFY(peak < 1.0f);
        // The room rings on after the last note, then the piece is done with: silence, exactly.
        const auto tail = renderSeconds(*engine, 1.5);
        const auto at = [&](double seconds) { return std::size_t((seconds - 2.6) * engine->rate()) * 2; };
        QVERIFY2(rms(tail, at(2.8), at(3.0)) > 1e-4, "the room fell silent with the last note");
        QVERIFY2(rms(tail, at(4.0), at(4.5)) == 0, "the room still rings");
    }

    void stopAndReplacementSilenceWithinMilliseconds() {
        writeFile(path("song.mid"), twoTempoSong());
        auto g = engine->createGraph();
        std::string why;
        QVERIFY(g->renderFile(path("song.mid"), why) && g->run(why));
        renderSeconds(*engine, 0.3);
        g->stop();
        const auto after = renderSeconds(*engine, 0.2);
        const std::size_t fiveMs = std::size_t(0.005 * engine->rate()) * 2;
        QVERIFY2(rms(after, fiveMs, after.size()) < 1e-4, "still sounding after stop");
        const double frozen = g->currentPosition();
        renderSeconds(*engine, 0.1);
        QCOMPARE(g->currentPosition(), frozen);

        auto first = engine->createGraph();
        QVERIFY(first->renderFile(path("song.mid"), why) && first->run(why));
        renderSeconds(*engine, 0.3);
        // Replaced by a piece that opens with a rest: no tail of the first one in the rest.
        Track rest;
        rest.at(0, {0xC0, 56}).at(480, {0x90, 60, 100}).at(480, {0x80, 60, 0}).end();
        writeFile(path("rest.mid"), smf(0, 480, {rest}));
        auto next = engine->createGraph();
        QVERIFY(next->renderFile(path("rest.mid"), why) && next->run(why));
        const auto opening = renderSeconds(*engine, 0.4);
        QVERIFY2(rms(opening, fiveMs, opening.size()) < 1e-4, "the last piece's room rings into the next");
        renderSeconds(*engine, 0.3); // into its note
        next.reset();                // released: silent at once
        const auto released = renderSeconds(*engine, 0.2);
        QVERIFY(rms(released, fiveMs, released.size()) < 1e-4);
    }

    void sameInputSameSamples() {
        writeFile(path("song.mid"), twoTempoSong());
        std::vector<float> runs[2];
        for (auto& out : runs) {
            AudioEngine e(EngineOptions{.offline = true, .soundFonts = {"/nonexistent.sf2"}});
            auto g = e.createGraph();
            std::string why;
            QVERIFY(g->renderFile(path("song.mid"), why) && g->run(why));
            out = renderSeconds(e, 1.0);
        }
        QVERIFY(runs[0] == runs[1]);
        QVERIFY2(rms(runs[0], 0, runs[0].size()) > 0.005, "the built-in instrument is silent");
    }

    // As on the SoundFont, volume and expression each scale the sound by
    // (value / 127)², from 100 and 127; each piece starts from these again.
    void builtInInstrumentFollowsTheBandsDynamics() {
        AudioEngine e(EngineOptions{.offline = true, .soundFonts = {"/nonexistent.sf2"}});
        auto heldNote = [&](std::vector<Bytes> controllers) { // half a second; the level of its middle
            Track t;
            for (Bytes& c : controllers)
                t.at(0, std::move(c));
            writeFile(path("held.mid"), smf(0, 480, {t.at(0, {0x90, 60, 100}).at(480, {0x80, 60, 0}).end()}));
            auto g = e.createGraph();
            std::string why;
            if (!g->renderFile(path("held.mid"), why) || !g->run(why))
                return 0.0;
            const auto out = renderSeconds(e, 2.0); // the room's tail rings out before the next
            return rms(out, std::size_t(0.1 * e.rate()) * 2, std::size_t(0.4 * e.rate()) * 2);
        };
        auto same = [](double a, double b) { return std::abs(a / b - 1) < 0.001; };
        const double full = heldNote({});
        QVERIFY2(full > 0.01, "silent");
        const double expression = heldNote({{0xB0, 11, 64}}) / full;
        QVERIFY2(std::abs(expression - std::pow(64 / 127.0, 2)) < 0.005, qPrintable(QString::number(expression)));
        const double volume = heldNote({{0xB0, 7, 64}}) / full;
        QVERIFY2(std::abs(volume - std::pow(64 / 100.0, 2)) < 0.005, qPrintable(QString::number(volume)));
        QVERIFY(same(heldNote({}), full));
        QVERIFY(same(heldNote({{0xB0, 11, 64}, {0xB0, 121, 0}}), full)); // controllers reset within a piece
    }

    void wavKeepsItsLengthAtTheOutputRate() {
        std::vector<std::int16_t> tone(22050); // one second, mono, 22.05 kHz
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = std::int16_t(8000 * std::sin(2 * M_PI * 440 * double(i) / 22050));
        writeFile(path("tone.wav"), wav16(22050, 1, tone));
        auto g = engine->createGraph();
        std::string why;
        QVERIFY2(g->renderFile(path("tone.wav"), why), why.c_str());
        QCOMPARE(g->duration(), 1.0);
        QVERIFY(g->run(why));
        const auto out = renderSeconds(*engine, 1.0);
        QCOMPARE(g->currentPosition(), 1.0);
        QVERIFY(rms(out, 0, out.size()) > 0.1);
    }

    void truncatedWavPlaysWhatIsThere() {
        std::vector<std::int16_t> half(44100 / 2, 1000);
        writeFile(path("cut.wav"), wav16(44100, 1, half, 44100 * 2)); // claims a whole second
        auto g = engine->createGraph();
        std::string why;
        QVERIFY2(g->renderFile(path("cut.wav"), why), why.c_str());
        QCOMPARE(g->duration(), 0.5);
    }

    void unplayableFilesFailWithTheirReason_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing.mid" << QByteArray() << "no such file";
        QTest::newRow("a folder") << "folder.mid" << QByteArray() << "a folder";
        QTest::newRow("unreadable") << "locked.mid" << QByteArray("MThd") << "permission denied";
        QTest::newRow("read error") << "/proc/self/mem" << QByteArray() << "read error";
        QTest::newRow("empty") << "empty.Wav" << QByteArray("") << "empty";
        QTest::newRow("garbage") << "garbage.MID" << QByteArray(300, '\x5a') << "not a MIDI or WAV file";
        QTest::newRow("truncated midi") << "cut.mid" << QByteArray("MThd\0\0\0\x06\0\x01\0\x02", 12)
                                        << "truncated MIDI header";
        QTest::newRow("broken wav") << "broken.wav" << QByteArray("RIFF\x24\0\0\0WAVEjunk", 16)
                                    << "not a readable WAV sound";
    }
    void unplayableFilesFailWithTheirReason() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const std::string p = name.startsWith('/') ? name.toStdString() : path(name.toUtf8().constData());
        if (name == "folder.mid")
            QDir(dir.path()).mkdir(name);
        else if (QTest::currentDataTag() != QByteArray("missing") && !name.startsWith('/'))
            writeFile(p, Bytes(bytes.begin(), bytes.end()));
        const bool locked = name == "locked.mid";
        if (locked)
            QFile::setPermissions(QString::fromStdString(p), {});
        // Root reads anything; a file-system identity of nobody, on this thread only, does not.
        const bool asNobody = locked && geteuid() == 0;
        if (asNobody)
            setfsuid(65534);
        auto g = engine->createGraph();
        std::string why;
        const bool rendered = g->renderFile(p, why);
        if (asNobody)
            setfsuid(0);
        QVERIFY(!rendered);
        QVERIFY2(QString::fromStdString(why).contains(reason), why.c_str());
        QCOMPARE(g->duration(), 0.0);
        QCOMPARE(g->currentPosition(), 0.0);
    }

    // A held level (the lowest of notes), then silence: the room falls by
    // 60 dB in its decay time, stays bounded, and once the tail has died gives
    // back silence, exactly, so that the device can pause. Emptied, it answers
    // as a new room does.
    void reverbDecaysThenFallsSilent() {
        const int rate = 44100;
        const std::size_t held = rate / 2;
        std::vector<float> in(std::size_t(rate) * 5 * 2), out(in.size()), again(in.size());
        std::fill_n(in.begin(), 2 * held, 0.1f);
        Reverb room(rate);
        const auto hear = [&](std::vector<float>& answer) {
            for (std::size_t done = 0; done < in.size() / 2; done += 333)
                room.process(in.data() + 2 * done, answer.data() + 2 * done,
                             int(std::min<std::size_t>(333, in.size() / 2 - done)));
        };
        hear(out);
        QVERIFY(std::all_of(out.begin(), out.end(), [](float s) { return std::isfinite(s) && std::abs(s) < 0.5f; }));
        const auto level = [&](double after) {
            const auto from = 2 * (held + std::size_t(after * rate));
            return 20 * std::log10(rms(out, from, from + std::size_t(0.2 * rate) * 2));
        };
        const double decay = 60 * 0.5 / (level(0.1) - level(0.6));
        QVERIFY2(std::abs(decay - Reverb::kDecaySeconds) < 0.1 * Reverb::kDecaySeconds,
                 qPrintable(QString("falls 60 dB in %1 s").arg(decay)));
        QVERIFY(!room.ringing());
        QVERIFY2(rms(out, out.size() - 2 * std::size_t(rate), out.size()) == 0, "still rings after 4 s of silence");

        room.process(in.data(), again.data(), int(held));
        room.clear();
        std::fill(again.begin(), again.end(), 0.0f);
        hear(again);
        QVERIFY2(again == out, "an emptied room still holds some of what it heard");
    }

    void blockingSoundFallsBackToATone() {
        AudioEngine e(EngineOptions{.offline = true, .soundFonts = {"/nonexistent.sf2"}});
        e.playBlocking(path("no-blip.wav"));
        const auto out = renderSeconds(e, 0.1);
        QVERIFY(rms(out, 0, std::size_t(0.06 * e.rate()) * 2) > 0.01);
        QVERIFY(rms(out, std::size_t(0.07 * e.rate()) * 2, out.size()) < 1e-6);
    }

    // The engine on its own audio thread, SDL's silent driver keeping real time.
    void audioThreadReplacesStopsBlocksAndOutlivesItsEngine() {
        writeFile(path("song.mid"), twoTempoSong());
        auto e = std::make_unique<AudioEngine>(EngineOptions{.soundFonts = {"/nonexistent.sf2"}});
        std::unique_ptr<MediaGraph> g;
        std::string why;
        for (int i = 0; i < 1000; ++i) {
            g = e->createGraph(); // the previous one is released while the audio thread may hold it
            QVERIFY(g->renderFile(path("song.mid"), why) && g->run(why));
        }
        QTRY_VERIFY_WITH_TIMEOUT(g->currentPosition() > 0.1, 5000);

        // A blocking sound mixes over the piece and returns once it has played (60 ms).
        const double before = g->currentPosition();
        e->playBlocking(path("no-blip.wav"));
        QVERIFY(g->currentPosition() >= before + 0.06);

        // Once the next piece sounds, the stopped one has been faded out and given back.
        g->stop();
        auto last = e->createGraph();
        QVERIFY(last->renderFile(path("song.mid"), why) && last->run(why));
        QTRY_VERIFY_WITH_TIMEOUT(last->currentPosition() > 0.05, 5000);
        const double frozen = g->currentPosition();
        QTRY_VERIFY_WITH_TIMEOUT(last->currentPosition() > 0.15, 5000);
        QCOMPARE(g->currentPosition(), frozen);
        e.reset(); // while playing: the graphs keep what they need
        QCOMPARE(last->duration(), 2.5);
    }

    void idleOutputSleepsUntilTheNextSound() {
        std::vector<std::int16_t> tone(4410, 3000); // 0.1 s
        writeFile(path("short.wav"), wav16(44100, 1, tone));
        AudioEngine e(EngineOptions{.soundFonts = {"/nonexistent.sf2"}});
        std::string why;
        auto first = e.createGraph();
        QVERIFY(first->renderFile(path("short.wav"), why) && first->run(why));
        QTRY_VERIFY_WITH_TIMEOUT(first->currentPosition() >= 0.1, 5000);
        QVERIFY(audioThreadRunning());
        // Paused once silent, then closed: SDL's thread, which would go on feeding silence, ends.
        QTRY_VERIFY_WITH_TIMEOUT(!audioThreadRunning(), 10000);

        auto next = e.createGraph();
        QVERIFY(next->renderFile(path("short.wav"), why) && next->run(why));
        QTRY_VERIFY_WITH_TIMEOUT(next->currentPosition() >= 0.1, 5000);
    }

    // The device fails to open while its file's folder is missing: that sound
    // keeps time silently, and the next one finds the device again.
    void aDeviceThatFailedIsTriedAgain() {
        std::vector<std::int16_t> tone(4410, 3000); // 0.1 s
        writeFile(path("short.wav"), wav16(44100, 1, tone));
        const QString out = dir.path() + "/device/out.raw";
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", out.toUtf8());
        auto play = [&](AudioEngine& e) {
            auto g = e.createGraph();
            std::string why;
            return g->renderFile(path("short.wav"), why) && g->run(why) &&
                   QTest::qWaitFor([&] { return g->currentPosition() >= 0.1; }, 5000);
        };
        {
            AudioEngine e(EngineOptions{.soundFonts = {"/nonexistent.sf2"}});
            QVERIFY(play(e));
            QVERIFY(!QFile::exists(out));
            QVERIFY(QDir(dir.path()).mkdir("device"));
            QVERIFY(play(e));
        } // closed: the device's file is complete
        qputenv("SDL_AUDIODRIVER", "dummy");
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY2(f.readAll().count('\0') < f.size(), "the device was opened but nothing was heard");
    }

    // SDL's dummy driver allows one device at a time, as a bare sound card
    // does: a sound that comes while the last one's device is still closing
    // must wait for it and reach the device, not the silent clock.
    void aSoundRightAfterSilenceReachesTheDevice() {
        const QByteArray said = (dir.path() + "/stderr").toUtf8();
        const int saved = dup(2), log = open(said.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(log, 2);
        std::atomic<bool> second{false}, firstOver{false};
        std::atomic<int> buffers{0};
        {
            auto output = AudioOutput::open(44100, [&](float* b, int frames) {
                std::fill(b, b + 2 * frames, 0.25f);
                if (second)
                    return ++buffers < 3;
                firstOver = true;
                return false; // silence: the device pauses and goes to be closed
            });
            output->resume();
            QVERIFY(QTest::qWaitFor([&] { return firstOver.load(); }, 5000));
            second = true;
            output->resume();
            QVERIFY(QTest::qWaitFor([&] { return buffers >= 3; }, 5000));
        }
        dup2(saved, 2);
        close(log);
        close(saved);
        QFile f(QString::fromUtf8(said));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(!text.contains("no sound device"), text.constData());
    }

    void resamplingHasAnExactFrameCount() {
        const std::vector<float> in(2 * 1001, 0.5f);
        QCOMPARE(resampleStereo(in, 22050, 44100).size(), std::size_t(2 * 2002));
        QCOMPARE(resampleStereo(in, 48000, 44100).size(), std::size_t(2 * 920));
    }
};

QTEST_GUILESS_MAIN(EngineTest)
#include "test_engine.moc"
