// Figures for the audio engine, and an offline render to WAV for listening:
//   engine_bench FILE [OUT.wav [OTHER.wav]]
//                                  SoundFont load time and RSS, RenderFile+Run
//                                  time, render speed, the room's share of it,
//                                  level and the tail after the last note; the
//                                  same level and tail for another player's
//                                  render of FILE
//   engine_bench --soak N FILE     N StartPlay-like replacements in a row, with
//                                  RSS and thread count before and after
// On a sound server (tests/sound/pulse-session), through the sink's monitor:
//   engine_bench --latency FILE    click to first sound, device idle and just paused
//   engine_bench --plays N FILE [--paplay]
//                                  dropouts in N plays against the offline
//                                  render; with --paplay, paplay of the render
//   engine_bench --audio-thread FILE
//                                  with audio_thread_probe preloaded: heap calls,
//                                  file opens and GLib locks on the audio thread
//                                  through a start, a replacement, a blocking
//                                  sound, a stop and another start
// Prints figures; judges nothing.
#include "engine/audio_engine.h"
#include "engine/offline_render.h"
#include "engine/reverb.h"
#include "recording.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

static double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

static std::string status(const char* key) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key, 0) == 0)
            return line.substr(std::string(key).size());
    return "?";
}

static int soak(int count, const char* file) {
    fanbord::AudioEngine engine(fanbord::EngineOptions{.offline = true});
    engine.soundFont();
    std::vector<float> out(2 * 256);
    std::printf("before: RSS%s, threads%s\n", status("VmRSS:").c_str(), status("Threads:").c_str());
    std::unique_ptr<fanbord::MediaGraph> player;
    const auto t0 = Clock::now();
    for (int i = 0; i < count; ++i) {
        player = engine.createGraph();
        std::string why;
        if (!player->renderFile(file, why) || !player->run(why))
            return 1;
        engine.render(out.data(), 256);
    }
    std::printf("after %d replacements (%.1f s): RSS%s, threads%s\n", count, ms(t0, Clock::now()) / 1000,
                status("VmRSS:").c_str(), status("Threads:").c_str());
    return 0;
}

static std::vector<float> renderOffline(const char* file, double& seconds) {
    fanbord::OfflineRender render;
    std::string why;
    if (!fanbord::renderOffline(fanbord::EngineOptions{}, file, 1.5, render, why)) {
        std::fprintf(stderr, "cannot play %s: %s\n", file, why.c_str());
        std::exit(1);
    }
    seconds = render.seconds;
    return std::move(render.samples);
}

static void writeWav(const char* path, const std::vector<float>& stereo, int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    if (SNDFILE* f = sf_open(path, SFM_WRITE, &info)) {
        sf_writef_float(f, stereo.data(), sf_count_t(stereo.size() / 2));
        sf_close(f);
    }
}

static std::vector<float> readWav(const char* path) {
    SF_INFO info{};
    std::vector<float> stereo;
    if (SNDFILE* f = sf_open(path, SFM_READ, &info)) {
        std::vector<float> samples(std::size_t(info.frames) * std::size_t(info.channels));
        sf_readf_float(f, samples.data(), info.frames);
        sf_close(f);
        for (sf_count_t i = 0; i < info.frames; ++i)
            for (int c = 0; c < 2; ++c)
                stereo.push_back(samples[std::size_t(i * info.channels + std::min(c, info.channels - 1))]);
    }
    return stereo;
}

// Level, and how the sound dies after the last note ends at `end` seconds:
// the decay to -60 dB, from the energy still to come (its fall from -5 to
// -25 dB, times three), and when it is below a 16-bit step for good.
static void printLevels(const char* what, const std::vector<float>& s, int rate, double end) {
    double peak = 0, sum = 0;
    for (float v : s) {
        peak = std::max(peak, double(std::abs(v)));
        sum += double(v) * v;
    }
    const std::size_t frames = s.size() / 2, from = std::min(frames, std::size_t(end * rate));
    std::vector<double> toCome(frames - from + 1);
    for (std::size_t i = frames; i-- > from;)
        toCome[i - from] = toCome[i - from + 1] + double(s[2 * i]) * s[2 * i] + double(s[2 * i + 1]) * s[2 * i + 1];
    auto fallen = [&](double db) {
        for (std::size_t i = 0; i < toCome.size(); ++i)
            if (toCome[i] <= toCome[0] * std::pow(10.0, -db / 10))
                return double(i) / rate;
        return double(NAN);
    };
    std::size_t last = frames;
    while (last > from && std::abs(s[2 * last - 2]) < 1.0f / 32768 && std::abs(s[2 * last - 1]) < 1.0f / 32768)
        --last;
    std::printf("%-12s peak %.3f (%.1f dBFS), RMS %.4f (%.1f dBFS); after the last note: -60 dB in %.2f s, "
                "below a 16-bit step after %.2f s\n",
                what, peak, 20 * std::log10(peak), std::sqrt(sum / double(s.size())),
                10 * std::log10(sum / double(s.size())), 3 * (fallen(25) - fallen(5)), double(last - from) / rate);
}

static void waitFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Starts `file` as StartPlay does: the previous graph falls silent first.
static void startPlay(fanbord::AudioEngine& engine, std::unique_ptr<fanbord::MediaGraph>& player, const char* file) {
    player = engine.createGraph();
    std::string why;
    if (!player->renderFile(file, why) || !player->run(why)) {
        std::fprintf(stderr, "cannot play %s: %s\n", file, why.c_str());
        std::exit(1);
    }
}

static void printSpread(const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    if (v.empty())
        std::printf("%-34s no sound heard\n", what);
    else
        std::printf("%-34s%7.1f ms median, %.1f ms min, %.1f ms max (%zu)\n", what, v[v.size() / 2], v.front(),
                    v.back(), v.size());
}

// "Just paused": a moment after the last sound stopped, as a click on another
// flag soon after a piece.
static int latency(const char* file) {
    double seconds = 0;
    const auto render = renderOffline(file, seconds);
    const double onset = double(fanbord::sound::firstAudible(render, 8.0f / 32768)) / 44100;
    fanbord::sound::Recorder recorder(44100);
    fanbord::AudioEngine engine(fanbord::EngineOptions{});
    engine.soundFont();
    std::unique_ptr<fanbord::MediaGraph> player;
    startPlay(engine, player, file); // presets and page cache warm, as after the ceremony
    waitFor(1.0);
    player.reset();
    std::vector<double> idle, paused;
    for (int i = 0; i < 16; ++i) {
        const bool wasIdle = i % 2 == 0;
        waitFor(wasIdle ? 1.5 : 0.15);
        const std::size_t mark = recorder.frames();
        const auto click = fanbord::sound::Clock::now();
        startPlay(engine, player, file);
        fanbord::sound::Clock::time_point heard;
        std::size_t frame = 0;
        for (int t = 0; t < 200 && !recorder.firstSound(mark, 8.0f / 32768, heard, frame); ++t)
            waitFor(0.01);
        if (heard != fanbord::sound::Clock::time_point{})
            (wasIdle ? idle : paused).push_back(ms(click, heard) - onset * 1000);
        waitFor(0.4);
        player->stop();
    }
    printSpread("click to sound, device idle", idle);
    printSpread("click to sound, device just paused", paused);
    return 0;
}

// Dropouts: the sink's monitor against the render, play by play.
static int plays(int count, const char* file, bool paplay) {
    double seconds = 0;
    const auto render = renderOffline(file, seconds);
    const char* wav = "/tmp/fanbord-bench-render.wav";
    writeWav(wav, render, 44100);
    std::unique_ptr<fanbord::AudioEngine> engine;
    if (!paplay)
        engine = std::make_unique<fanbord::AudioEngine>(fanbord::EngineOptions{});
    int withGaps = 0;
    for (int i = 0; i < count; ++i) {
        fanbord::sound::Recorder recorder(44100);
        while (recorder.frames() == 0)
            waitFor(0.01);
        if (paplay) {
            const std::string command = std::string("paplay ") + wav;
            if (std::system(command.c_str()) != 0)
                return 1;
        } else {
            std::unique_ptr<fanbord::MediaGraph> player;
            startPlay(*engine, player, file);
            while (player->currentPosition() < player->duration())
                waitFor(0.05);
            waitFor(1.5); // the last notes' release and reverb, as in the render
        }
        waitFor(0.5);
        const auto recording = recorder.stop();
        writeWav("/tmp/fanbord-bench-recording.wav", recording, 44100); // the last play, for listening
        const auto c = fanbord::sound::compare(render, recording, 44100);
        withGaps += !c.gaps.empty();
        std::printf("  play %d: %s\n", i + 1, c.describe().c_str());
        std::fflush(stdout);
    }
    std::printf("%s: %d of %d plays with a dropout\n", paplay ? "paplay of the render" : "the engine", withGaps, count);
    return 0;
}

static int audioThread(const char* file) {
    const auto reset = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "fanbord_probe_reset"));
    const auto counts = reinterpret_cast<void (*)(long*)>(dlsym(RTLD_DEFAULT, "fanbord_probe_counts"));
    if (!reset || !counts) {
        std::fprintf(stderr, "preload audio_thread_probe.so to count\n");
        return 2;
    }
    fanbord::AudioEngine engine(fanbord::EngineOptions{});
    engine.soundFont();
    engine.playBlocking("/nonexistent.wav"); // the device is open and its thread warm
    reset();
    std::unique_ptr<fanbord::MediaGraph> player;
    startPlay(engine, player, file);
    waitFor(1.5);
    startPlay(engine, player, file);
    waitFor(1.0);
    engine.playBlocking("/nonexistent.wav");
    waitFor(0.5);
    player->stop();
    waitFor(0.2);
    startPlay(engine, player, file);
    waitFor(1.0);
    player->stop();
    waitFor(0.2);
    long c[4];
    counts(c);
    std::printf("on the audio thread: %ld allocations, %ld frees, %ld file opens, %ld GLib locks\n", c[0], c[1], c[2],
                c[3]);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--soak")
        return soak(std::atoi(argv[2]), argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--latency")
        return latency(argv[2]);
    if (argc >= 4 && std::string(argv[1]) == "--plays")
        return plays(std::atoi(argv[2]), argv[3], argc > 4 && std::string(argv[4]) == "--paplay");
    if (argc == 3 && std::string(argv[1]) == "--audio-thread")
        return audioThread(argv[2]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: engine_bench FILE [OUT.wav]\n");
        return 2;
    }
    auto t0 = Clock::now();
    fanbord::AudioEngine engine(fanbord::EngineOptions{.offline = true});
    const std::string font = engine.soundFont();
    auto t1 = Clock::now();
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("SoundFont %s loaded in %.1f ms, RSS %.1f MB\n", font.empty() ? "(built-in)" : font.c_str(),
                ms(t0, t1), u.ru_maxrss / 1024.0);

    auto graph = engine.createGraph();
    std::string why;
    t0 = Clock::now();
    if (!graph->renderFile(argv[1], why) || !graph->run(why)) {
        std::fprintf(stderr, "cannot play %s: %s\n", argv[1], why.c_str());
        return 1;
    }
    t1 = Clock::now();
    std::printf("RenderFile+Run            %.2f ms\n", ms(t0, t1));
    // Warm once more: the first render may still page in samples.
    auto again = engine.createGraph();
    t0 = Clock::now();
    again->renderFile(argv[1], why);
    again->run(why);
    std::printf("RenderFile+Run, warm      %.2f ms\n", ms(t0, Clock::now()));

    const double seconds = again->duration() + 1.5;
    std::vector<float> out(std::size_t(seconds * engine.rate()) * 2);
    t0 = Clock::now();
    for (std::size_t done = 0; done < out.size() / 2; done += 1024)
        engine.render(out.data() + 2 * done, std::min<std::size_t>(1024, out.size() / 2 - done));
    const double took = ms(t0, Clock::now()) / 1000.0;
    double peak = 0, sum = 0;
    for (float s : out) {
        peak = std::max(peak, double(std::abs(s)));
        sum += double(s) * s;
    }
    std::printf("length %.2f s, rendered %.1fx real time, peak %.3f, RMS %.3f\n", again->duration(),
                seconds / took, peak, std::sqrt(sum / double(out.size())));
    // The room alone, over the same music.
    fanbord::Reverb room(engine.rate());
    std::vector<float> wet(out.size());
    t0 = Clock::now();
    for (std::size_t done = 0; done < out.size() / 2; done += 1024)
        room.process(out.data() + 2 * done, wet.data() + 2 * done,
                     int(std::min<std::size_t>(1024, out.size() / 2 - done)));
    std::printf("the room: %.2f ms of CPU a second of audio\n", ms(t0, Clock::now()) / seconds);
    printLevels("the engine", out, engine.rate(), again->duration());
    if (argc > 3)
        printLevels(argv[3], readWav(argv[3]), engine.rate(), again->duration());
    if (argc > 2)
        writeWav(argv[2], out, engine.rate());
    return 0;
}
