#include "engine/audio_engine.h"

#include "engine/audio_output.h"
#include "engine/media_file.h"
#include "engine/midi_reader.h"
#include "engine/synth.h"
#include "engine/wav_loader.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <semaphore>
#include <thread>

namespace fanbord {

namespace {

constexpr int kFadeFrames = 128; // about 3 ms: silences without a click
constexpr std::size_t kBlockingSounds = 4;
// Below the smallest step of 16-bit output: pausing under it cannot be heard.
constexpr float kSilence = 1.0f / 32768;

// A piece, or a blocking sound. Made and freed on the interface thread; while
// the audio thread holds it, the interface thread touches only the atomics.
struct Piece {
    bool midi = false;
    MidiSong song;
    std::vector<float> samples; // WAV, interleaved stereo at the output rate
    double duration = 0;
    std::int64_t frames = 0;               // its length at the output rate
    std::size_t nextEvent = 0;             // audio thread only
    std::atomic<std::int64_t> rendered{0}; // frames played, read by the interface
    std::atomic<bool> stopped{false};      // the audio thread fades it out
    std::binary_semaphore finished{0};     // a blocking sound has played out

    bool ended() const {
        return rendered.load(std::memory_order_relaxed) >= frames && (!midi || nextEvent == song.events.size());
    }
};

// One producer, one consumer; neither side ever waits.
template <class T, std::size_t N> class Handover {
public:
    bool push(T value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t next = (tail + 1) % N;
        if (next == head_.load(std::memory_order_acquire))
            return false;
        items_[tail] = value;
        tail_.store(next, std::memory_order_release);
        return true;
    }
    bool pop(T& value) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire))
            return false;
        value = items_[head];
        head_.store((head + 1) % N, std::memory_order_release);
        return true;
    }

private:
    std::array<T, N> items_{};
    std::atomic<std::size_t> head_{0}, tail_{0};
};

// The pieces beside the program: their presets load with the SoundFont, so
// that no first click on a flag waits for them.
void loadPresetsOfFolder(Synth& synth, const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        std::vector<std::uint8_t> bytes;
        MediaKind kind{};
        MidiSong song;
        std::string why;
        if (extension == ".mid" && readMediaFile(entry.path().string(), bytes, kind, why) && kind == MediaKind::Midi &&
            parseMidi(bytes.data(), bytes.size(), song, why))
            synth.loadPresetsFor(song);
    }
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
            loadPresetsOfFolder(*s, options.programFolder);
            s = inRoom(std::move(s), options.rate);
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

    // --- the interface thread

    // Hands a piece or a blocking sound to the audio thread; one that the audio
    // thread has not taken yet is replaced, and comes straight back.
    void handOver(const std::shared_ptr<Piece>& piece, std::atomic<Piece*>& slot) {
        collect();
        handedOver.push_back(piece);
        forget(slot.exchange(piece.get(), std::memory_order_acq_rel));
        if (output)
            output->resume();
    }
    // Frees, here, what the audio thread has finished with.
    void collect() {
        Piece* p = nullptr;
        while (returned.pop(p))
            forget(p);
    }
    void forget(Piece* p) {
        if (p)
            std::erase_if(handedOver, [p](const std::shared_ptr<Piece>& held) { return held.get() == p; });
    }

    void ensureOutput() {
        if (options.offline || output)
            return;
        output = AudioOutput::open(options.rate, [this](float* out, int frames) { return mix(out, frames); });
    }

    // Presets load here, never on the audio thread, and only while the audio
    // thread renders no MIDI: a piece that still holds the synthesiser is cut
    // (the new one replaces it anyway) and waited for, for one buffer or two.
    // Offline, the caller of render() is this thread.
    void loadPresets(const MidiSong& song) {
        if (synth->hasPresetsFor(song) || (!options.offline && !reclaimSynth()))
            return; // a stalled output: the audio thread loads them as it selects them
        synth->loadPresetsFor(song);
    }
    bool reclaimSynth() {
        forget(nextPiece.exchange(nullptr, std::memory_order_acq_rel));
        while (synthFreed.try_acquire()) {
        }
        wantSynth.store(true, std::memory_order_release);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        for (;;) {
            collect();
            bool held = false;
            for (const auto& p : handedOver) {
                if (p->midi) {
                    p->stopped.store(true, std::memory_order_release);
                    held = true;
                }
            }
            if (!held)
                return true;
            output->resume();
            if (!synthFreed.try_acquire_until(deadline)) {
                collect();
                return std::none_of(handedOver.begin(), handedOver.end(), [](const auto& p) { return p->midi; });
            }
        }
    }

    // --- the audio thread (the caller of render() when offline)

    // False once nothing sounds: no piece but one that has played out, no
    // fade, no blocking sound, and a silent buffer.
    bool mix(float* out, int frames) {
        std::fill(out, out + 2 * std::size_t(frames), 0.0f);
        takeOver();
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
            if (fadeDone >= kFadeFrames)
                retire(fading);
        }
        if (current && !fading)
            playPiece(*current, out + 2 * from, frames - from);
        bool blockingSounds = false;
        for (Piece*& b : blocking) {
            if (!b)
                continue;
            const std::int64_t at = b->rendered.load(std::memory_order_relaxed);
            const std::int64_t n = std::min<std::int64_t>(frames, b->frames - at);
            for (std::int64_t i = 0; i < 2 * n; ++i)
                out[i] += b->samples[std::size_t(2 * at + i)];
            b->rendered.store(at + n, std::memory_order_relaxed);
            if (at + n < b->frames) {
                blockingSounds = true;
                continue;
            }
            b->finished.release();
            giveBack(b);
        }
        float peak = 0;
        for (int i = 0; i < 2 * frames; ++i) {
            out[i] = std::clamp(out[i], -1.0f, 1.0f);
            peak = std::max(peak, std::abs(out[i]));
        }
        const bool sounding = (current && !current->ended()) || fading || blockingSounds || peak >= kSilence;
        if (!sounding && current)
            retire(current); // played out and silent: the synthesiser is free again
        if (!holdsMidi() && wantSynth.load(std::memory_order_acquire) && wantSynth.exchange(false))
            synthFreed.release();
        return sounding;
    }

    bool holdsMidi() const { return (current && current->midi) || (fading && fading->midi); }

    // Done with a piece that has sounded: the synthesiser starts the next one afresh.
    void retire(Piece*& p) {
        if (p->midi)
            synth->reset();
        giveBack(p);
    }

    // What the interface thread has handed over since the last buffer.
    void takeOver() {
        if (current && current->stopped.load(std::memory_order_acquire))
            cutCurrent();
        if (Piece* p = nextPiece.exchange(nullptr, std::memory_order_acq_rel)) {
            cutCurrent();
            current = p;
            if (p->stopped.load(std::memory_order_acquire))
                giveBack(current);
        }
        for (Piece*& b : blocking)
            if (!b)
                b = nextBlocking.exchange(nullptr, std::memory_order_acq_rel);
    }

    // The current piece stops sounding, with a short fade.
    void cutCurrent() {
        if (!current)
            return;
        if (!fading) {
            fading = current;
            fadeDone = 0;
            current = nullptr;
        } else {
            giveBack(current); // it waited behind the fade and never sounded
        }
    }

    void giveBack(Piece*& p) {
        // Cannot fail: each hand-over collects first, so the queue holds no
        // more than the few pieces the audio thread can hold at once. Were it
        // full, the piece would only be kept until the engine closes.
        returned.push(p);
        p = nullptr;
    }

    // Each event is sent at its own frame; FluidSynth applies it at the start
    // of the next 64-frame block it renders.
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

    EngineOptions options;
    std::thread loader;
    mutable std::mutex synthMutex;
    std::condition_variable synthReady;
    std::unique_ptr<Synth> synth; // the audio thread's once a MIDI piece has been handed over
    std::string soundFont;

    // Interface thread: everything handed over and not yet given back.
    std::vector<std::shared_ptr<Piece>> handedOver;
    std::unique_ptr<AudioOutput> output;
    // Between the threads.
    std::atomic<Piece*> nextPiece{nullptr}, nextBlocking{nullptr};
    Handover<Piece*, 64> returned;
    std::atomic<bool> wantSynth{false}; // the interface waits to load presets
    std::binary_semaphore synthFreed{0};
    // Audio thread.
    Piece* current = nullptr;
    Piece* fading = nullptr;
    int fadeDone = 0;
    std::array<Piece*, kBlockingSounds> blocking{};
};

namespace {

class EngineGraph final : public MediaGraph {
public:
    explicit EngineGraph(std::shared_ptr<AudioEngine::Impl> engine) : engine_(std::move(engine)) {}
    ~EngineGraph() override {
        stop();
        engine_->collect();
    }

    bool renderFile(const std::string& path, std::string& why) override {
        std::vector<std::uint8_t> bytes;
        MediaKind kind{};
        if (!readMediaFile(path, bytes, kind, why))
            return false;
        auto piece = std::make_shared<Piece>();
        const int rate = engine_->options.rate;
        if (kind == MediaKind::Midi) {
            if (!parseMidi(bytes.data(), bytes.size(), piece->song, why))
                return false;
            piece->midi = true;
            piece->duration = piece->song.length;
            piece->frames = std::llround(piece->duration * rate);
            engine_->waitForSynth();
        } else {
            if (!decodeWav(bytes, rate, piece->samples, why))
                return false;
            piece->frames = std::int64_t(piece->samples.size() / 2);
            piece->duration = double(piece->frames) / rate;
        }
        piece_ = std::move(piece);
        return true;
    }
    // A graph runs once; a stopped graph stays stopped.
    bool run(std::string& why) override {
        if (!piece_) {
            why = "nothing rendered";
            return false;
        }
        if (!ran_) {
            ran_ = true;
            engine_->ensureOutput();
            if (piece_->midi)
                engine_->loadPresets(piece_->song);
            engine_->handOver(piece_, engine_->nextPiece);
        }
        return true;
    }
    void stop() override {
        if (piece_)
            piece_->stopped.store(true, std::memory_order_release);
    }
    double duration() const override { return piece_ ? piece_->duration : 0; }
    double currentPosition() const override {
        return piece_ ? double(piece_->rendered.load(std::memory_order_relaxed)) / engine_->options.rate : 0;
    }

private:
    std::shared_ptr<AudioEngine::Impl> engine_;
    std::shared_ptr<Piece> piece_;
    bool ran_ = false;
};

} // namespace

AudioEngine::AudioEngine(EngineOptions options) : impl_(std::make_shared<Impl>(std::move(options))) {}

AudioEngine::~AudioEngine() = default;

std::unique_ptr<MediaGraph> AudioEngine::createGraph() { return std::make_unique<EngineGraph>(impl_); }

void AudioEngine::playBlocking(const std::string& path) {
    auto sound = std::make_shared<Piece>();
    std::vector<std::uint8_t> bytes;
    MediaKind kind{};
    std::string why;
    if (!readMediaFile(path, bytes, kind, why) || kind != MediaKind::Wav ||
        !decodeWav(bytes, impl_->options.rate, sound->samples, why))
        sound->samples = defaultSound(impl_->options.rate);
    sound->frames = std::int64_t(sound->samples.size() / 2);
    const double seconds = double(sound->frames) / impl_->options.rate;
    impl_->ensureOutput();
    impl_->handOver(sound, impl_->nextBlocking);
    if (impl_->options.offline)
        return;
    // Bounded, in case the output stalls: the interface must never hang on a blip.
    sound->finished.try_acquire_for(std::chrono::duration<double>(seconds + 0.5));
    impl_->collect();
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
