#include "engine/audio_output.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace fanbord {

namespace {

// A sound server's buffer is as long as one of SDL's: a tenth of a second
// rides out a busy machine, and a stop or a new piece is heard within it. A
// sound after silence starts at once: the device is opened for it, and the
// server starts playing as soon as the first buffer is in.
constexpr int kDeviceFrames = 4096;
constexpr int kClockFrames = 1024;

// SDL's device, opened for a sound and closed as soon as nothing sounds: even
// paused, SDL keeps its thread feeding silence, and a sound that came after
// it would wait behind a buffer of it. Where the device cannot be opened,
// that sound keeps its true length on a silent clock of our own, and the
// next sound tries the device again.
class Output final : public AudioOutput {
public:
    Output(int rate, Callback callback) : callback_(std::move(callback)), rate_(rate) {
        closer_ = std::thread([this] { closeWhenIdle(); });
        clock_ = std::thread([this] { keepTime(); });
    }
    ~Output() override {
        {
            std::lock_guard lock(mutex_);
            std::lock_guard clock(clockMutex_);
            quit_ = true;
        }
        idle_.store(true);
        idle_.notify_one();
        clockWake_.notify_one();
        closer_.join();
        clock_.join();
        if (device_ != 0)
            SDL_CloseAudioDevice(device_);
        if (sdlReady_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    // SDL holds the device's lock around the callback, and the clock its own,
    // so a resume cannot slip in between the callback's last look and its pause.
    void resume() override {
        std::unique_lock lock(mutex_);
        if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            SDL_CloseAudioDevice(device_); // lost, as when the sound server went away
            device_ = 0;
        }
        if (device_ == 0) {
            // Where only one device may be open (a bare sound card, SDL's own
            // disk and dummy drivers), the one still closing holds it until it
            // is gone: a buffer at most.
            device_ = openDevice(!closing_);
            if (device_ == 0 && closing_) {
                closed_.wait(lock, [this] { return !closing_; });
                device_ = openDevice(true);
            }
        }
        std::lock_guard clock(clockMutex_);
        if (device_ != 0) {
            clockRunning_ = false; // the device takes over from the silent clock, if it ran
            SDL_PauseAudioDevice(device_, 0);
            return;
        }
        clockRunning_ = true;
        clockWake_.notify_one();
    }

private:
    static void feed(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<Output*>(self);
        if (output->callback_(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float))))
            return;
        SDL_PauseAudioDevice(output->device_, 1); // the lock is recursive: safe inside the callback
        output->idle_.store(true, std::memory_order_release);
        output->idle_.notify_one();
    }

    SDL_AudioDeviceID openDevice(bool reportFailure) {
        if (!sdlReady_) {
            // What a signal does is the program's to say: SDL's handlers would
            // turn SIGINT and SIGTERM into a quit event that nothing reads.
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            sdlReady_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        }
        SDL_AudioDeviceID device = 0;
        if (sdlReady_) {
            SDL_AudioSpec want{}, have{};
            want.freq = rate_;
            want.format = AUDIO_F32SYS;
            want.channels = 2;
            want.samples = kDeviceFrames;
            want.callback = &Output::feed;
            want.userdata = this;
            device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0); // opens paused
        }
        if (!reportFailure)
            return device;
        if (device == 0 && !silent_)
            std::fprintf(stderr, "fanbord: no sound device (%s); playing silently until one opens\n", SDL_GetError());
        silent_ = device == 0;
        return device;
    }

    // SDL lets a closing device play out what it has queued; meanwhile the
    // next sound may already open a new one.
    void closeWhenIdle() {
        for (;;) {
            idle_.wait(false, std::memory_order_acquire);
            idle_.store(false, std::memory_order_relaxed);
            SDL_AudioDeviceID closing = 0;
            {
                std::lock_guard lock(mutex_);
                if (quit_)
                    return;
                // Not playing means no resume came since: nothing is waiting to sound.
                if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
                    closing = device_.exchange(0);
                    closing_ = true;
                }
            }
            if (closing == 0)
                continue;
            SDL_CloseAudioDevice(closing);
            {
                std::lock_guard lock(mutex_);
                closing_ = false;
            }
            closed_.notify_all();
        }
    }

    // The silent clock: buffers at the pace a device would take them.
    void keepTime() {
        std::vector<float> buffer(2 * kClockFrames);
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(double(kClockFrames) / rate_));
        std::unique_lock lock(clockMutex_);
        for (;;) {
            clockWake_.wait(lock, [this] { return quit_ || clockRunning_; });
            if (quit_)
                return;
            for (auto next = std::chrono::steady_clock::now(); clockRunning_ && !quit_;) {
                clockRunning_ = callback_(buffer.data(), kClockFrames);
                next += period;
                lock.unlock();
                std::this_thread::sleep_until(next);
                lock.lock();
            }
        }
    }

    Callback callback_;
    int rate_;
    std::mutex mutex_; // the device: opening, resuming, closing
    bool sdlReady_ = false, silent_ = false;
    bool closing_ = false; // a device is being closed outside the lock
    std::condition_variable closed_;
    std::atomic<SDL_AudioDeviceID> device_{0}; // the callback reads it to pause itself
    std::atomic<bool> idle_{false};
    bool quit_ = false;
    std::thread closer_;
    std::mutex clockMutex_; // held around the clock's callback, as SDL holds its device lock
    std::condition_variable clockWake_;
    bool clockRunning_ = false;
    std::thread clock_;
};

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::open(int rate, Callback callback) {
    return std::make_unique<Output>(rate, std::move(callback));
}

} // namespace fanbord
