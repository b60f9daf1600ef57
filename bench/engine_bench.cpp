// Figures for the audio engine, and an offline render to WAV for listening:
//   engine_bench FILE [OUT.wav]   SoundFont load time and RSS, RenderFile+Run
//                                 time, render speed and level
//   engine_bench --soak N FILE     N StartPlay-like replacements in a row, with
//                                 RSS and thread count before and after
// Prints figures; judges nothing.
#include "engine/audio_engine.h"

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>
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

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--soak")
        return soak(std::atoi(argv[2]), argv[3]);
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
    if (argc > 2) {
        SF_INFO info{};
        info.samplerate = engine.rate();
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(argv[2], SFM_WRITE, &info);
        if (f) {
            sf_writef_float(f, out.data(), sf_count_t(out.size() / 2));
            sf_close(f);
        }
    }
    return 0;
}
