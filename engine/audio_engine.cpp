#include "engine/audio_engine.h"

#include "engine/audio_output.h"
#include "engine/midi_reader.h"
#include "engine/synth.h"
#include "engine/wav_loader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace fanbord {

namespace {

constexpr int kFadeFrames = 128; // about 3 ms: silences without a click

// What one graph plays; shared between the UI thread and the audio thread.
struct Piece {
    bool midi = false;
    MidiSong song;
    std::vector<float> samples; // WAV, interleaved stereo at the output rate
    double duration = 0;
    std::size_t nextEvent = 0;                // audio thread only
    std::atomic<std::int64_t> rendered{0};    // frames played, read by the UI
};

bool readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } catch (const std::exception&) { // an unreadable file throws from the stream buffer
        return false;
    }
    return !in.bad();
}

// A short, soft tone for a sound that cannot be played.
std::vector<float> defaultSound(int rate) {
    const int frames = rate * 60 / 1000;
    std::vector<float> s(std::size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double env = 0.5 - 0.5 * std::cos(2 * 3.14159265358979 * i / frames);
        const auto v = float(0.25 * env * std::sin(2 * 3.14159265358979 * 880.0 * i / rate));
        s[2 * std::size_t(i)] = s[2 * std::size_t(i) + 1] = v;
    }
    return s;
}

} // namespace

struct AudioEngine::Impl {
    explicit Impl(EngineOptions o) : options(std::move(o)) {
        loader = std::thread([this] {
            const auto candidates = options.soundFonts.empty() ? soundFontCandidates(options.programFolder)
                                                               : options.soundFonts;
            std::string loaded;
            auto s = makeFluidSynth(candidates, options.rate, loaded);
            if (!s) {
                std::fprintf(stderr, "fanbord: no General MIDI SoundFont found; MIDI plays on the built-in instrument\n");
                s = makeFallbackSynth(options.rate);
            }
            std::lock_guard lock(synthMutex);
            synth = std::move(s);
            soundFont = loaded;
            synthReady.notify_all();
        });
    }
    ~Impl() {
        output.reset();
        if (loader.joinable())
            loader.join();
    }

    Synth& waitForSynth() {
        std::unique_lock lock(synthMutex);
        synthReady.wait(lock, [this] { return synth != nullptr; });
        return *synth;
    }

    // The audio thread's whole job, and the offline render.
    void mix(float* out, int frames) {
        std::fill(out, out + 2 * std::size_t(frames), 0.0f);
        std::lock_guard lock(mixMutex);
        int from = 0;
        if (fading) {
            const int n = std::min(frames, kFadeFrames - fadeDone);
            playPiece(*fading, out, n);
            for (int i = 0; i < n; ++i) {
                const float g = 1.0f - float(fadeDone + i + 1) / kFadeFrames;
                out[2 * i] *= g;
                out[2 * i + 1] *= g;
            }
            fadeDone += n;
            from = n;
            if (fadeDone >= kFadeFrames) {
                if (fading->midi)
                    synth->reset();
                fading.reset();
            }
        }
        if (current && !fading)
            playPiece(*current, out + 2 * from, frames - from);
        for (auto& b : blocking) {
            const std::size_t n = std::min(std::size_t(frames), (b.samples.size() - b.pos) / 2);
            for (std::size_t i = 0; i < 2 * n; ++i)
                out[i] += b.samples[b.pos + i];
            b.pos += 2 * n;
        }
        const auto before = blocking.size();
        std::erase_if(blocking, [](const Blocking& b) { return b.pos >= b.samples.size(); });
        if (blocking.size() != before)
            blockingDone.notify_all();
        for (int i = 0; i < 2 * frames; ++i)
            out[i] = std::clamp(out[i], -1.0f, 1.0f);
    }

    // Sample-accurate: each event is sent at its own frame.
    void playPiece(Piece& p, float* out, int frames) {
        int done = 0;
        while (done < frames) {
            const std::int64_t now = p.rendered.load(std::memory_order_relaxed);
            std::int64_t until = INT64_MAX;
            if (p.midi) {
                while (p.nextEvent < p.song.events.size() &&
                       std::llround(p.song.events[p.nextEvent].seconds * options.rate) <= now) {
                    const MidiEvent& e = p.song.events[p.nextEvent++];
                    synth->send(e.status, e.data1, e.data2);
                }
                if (p.nextEvent < p.song.events.size())
                    until = std::llround(p.song.events[p.nextEvent].seconds * options.rate);
            }
            const int n = int(std::min<std::int64_t>(frames - done, until - now));
            if (p.midi) {
                synth->render(out + 2 * done, n);
            } else {
                const std::size_t at = std::size_t(now) * 2, size = p.samples.size();
                for (int i = 0; i < 2 * n && at + i < size; ++i)
                    out[2 * done + i] += p.samples[at + i];
            }
            done += n;
            p.rendered.store(now + n, std::memory_order_relaxed);
        }
    }

    // Under mixMutex: the current piece stops sounding, with a short fade.
    void cutCurrent() {
        if (!current)
            return;
        if (!fading) {
            fading = current;
            fadeDone = 0;
        } else if (fading->midi) {
            synth->reset();
        }
        current.reset();
    }

    void ensureOutput() {
        if (options.offline || output)
            return;
        output = AudioOutput::open(options.rate, [this](float* out, int frames) { mix(out, frames); });
    }

    void updateIdle() {
        if (!output)
            return;
        bool idle;
        {
            std::lock_guard lock(mixMutex);
            idle = !current && !fading && blocking.empty();
        }
        output->setPaused(idle);
    }

    struct Blocking {
        std::vector<float> samples;
        std::size_t pos = 0;
    };

    EngineOptions options;
    std::thread loader;
    mutable std::mutex synthMutex;
    std::condition_variable synthReady;
    std::unique_ptr<Synth> synth;
    std::string soundFont;

    std::mutex mixMutex;
    std::shared_ptr<Piece> current, fading;
    int fadeDone = 0;
    std::vector<Blocking> blocking;
    std::condition_variable_any blockingDone;
    std::unique_ptr<AudioOutput> output;
};

namespace {

class EngineGraph final : public MediaGraph {
public:
    explicit EngineGraph(std::shared_ptr<AudioEngine::Impl> engine) : engine_(std::move(engine)) {}
    ~EngineGraph() override { stop(); }

    bool renderFile(const std::string& path, std::string& why) override {
        std::vector<std::uint8_t> bytes;
        if (!readFile(path, bytes)) {
            why = "no such file";
            return false;
        }
        auto piece = std::make_shared<Piece>();
        // The content decides, not the name: "Danmark.MID", "BLIP.Wav".
        if (bytes.size() >= 4 && std::equal(bytes.begin(), bytes.begin() + 4, "MThd")) {
            if (!parseMidi(bytes.data(), bytes.size(), piece->song, why))
                return false;
            piece->midi = true;
            piece->duration = piece->song.length;
            engine_->waitForSynth();
        } else {
            if (!loadWav(path, engine_->options.rate, piece->samples, why))
                return false;
            piece->duration = double(piece->samples.size() / 2) / engine_->options.rate;
        }
        piece_ = std::move(piece);
        return true;
    }
    bool run(std::string& why) override {
        if (!piece_) {
            why = "nothing rendered";
            return false;
        }
        engine_->ensureOutput();
        {
            std::lock_guard lock(engine_->mixMutex);
            if (engine_->current != piece_) {
                engine_->cutCurrent();
                engine_->current = piece_;
            }
        }
        engine_->updateIdle();
        return true;
    }
    void stop() override {
        {
            std::lock_guard lock(engine_->mixMutex);
            if (!piece_ || engine_->current != piece_)
                return;
            engine_->cutCurrent();
        }
        engine_->updateIdle();
    }
    double duration() const override { return piece_ ? piece_->duration : 0; }
    double currentPosition() const override {
        return piece_ ? double(piece_->rendered.load(std::memory_order_relaxed)) / engine_->options.rate : 0;
    }

private:
    std::shared_ptr<AudioEngine::Impl> engine_;
    std::shared_ptr<Piece> piece_;
};

} // namespace

AudioEngine::AudioEngine(EngineOptions options) : impl_(std::make_shared<Impl>(std::move(options))) {}

AudioEngine::~AudioEngine() = default;

std::unique_ptr<MediaGraph> AudioEngine::createGraph() { return std::make_unique<EngineGraph>(impl_); }

void AudioEngine::playBlocking(const std::string& path) {
    std::vector<float> samples;
    std::string why;
    if (!loadWav(path, impl_->options.rate, samples, why))
        samples = defaultSound(impl_->options.rate);
    const double seconds = double(samples.size() / 2) / impl_->options.rate;
    impl_->ensureOutput();
    std::unique_lock lock(impl_->mixMutex);
    impl_->blocking.push_back({std::move(samples), 0});
    if (impl_->options.offline)
        return;
    lock.unlock();
    impl_->updateIdle();
    lock.lock();
    // Bounded, in case the output stalls: the interface must never hang on a blip.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds + 0.5);
    impl_->blockingDone.wait_until(lock, deadline, [this] { return impl_->blocking.empty(); });
    lock.unlock();
    impl_->updateIdle();
}

void AudioEngine::render(float* out, std::size_t frames) {
    impl_->waitForSynth();
    impl_->mix(out, int(frames));
}

int AudioEngine::rate() const { return impl_->options.rate; }

std::string AudioEngine::soundFont() const {
    impl_->waitForSynth();
    std::lock_guard lock(impl_->synthMutex);
    return impl_->soundFont;
}

} // namespace fanbord
