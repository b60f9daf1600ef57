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

constexpr int kFrames = 1024;

// SDL's device, opened for a sound and closed once it has been idle for a
// moment: even paused, SDL keeps its thread feeding silence. Where the device
// cannot be opened, that sound keeps its true length on a silent clock of
// our own, and the next sound tries the device again.
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
        wake_.notify_one();
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
        std::lock_guard lock(mutex_);
        {
            std::lock_guard clock(clockMutex_);
            if (clockRunning_)
                return; // the silent clock carries this sound too
        }
        if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED) {
            SDL_CloseAudioDevice(device_); // lost, as when the sound server went away
            device_ = 0;
        }
        if (device_ == 0)
            device_ = openDevice();
        if (device_ != 0) {
            SDL_PauseAudioDevice(device_, 0);
            return;
        }
        {
            std::lock_guard clock(clockMutex_);
            clockRunning_ = true;
        }
        clockWake_.notify_one();
    }

private:
    // Long enough that the sounds of one moment (a blip, then a piece) share
    // one opening; short beside the pauses between the ceremony's pieces.
    static constexpr auto kGrace = std::chrono::milliseconds(500);

    static void feed(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<Output*>(self);
        if (output->callback_(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float))))
            return;
        SDL_PauseAudioDevice(output->device_, 1); // the lock is recursive: safe inside the callback
        output->idle_.store(true, std::memory_order_release);
        output->idle_.notify_one();
    }

    SDL_AudioDeviceID openDevice() {
        if (!sdlReady_)
            sdlReady_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        SDL_AudioDeviceID device = 0;
        if (sdlReady_) {
            SDL_AudioSpec want{}, have{};
            want.freq = rate_;
            want.format = AUDIO_F32SYS;
            want.channels = 2;
            want.samples = kFrames;
            want.callback = &Output::feed;
            want.userdata = this;
            device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0); // opens paused
        }
        if (device == 0 && !silent_)
            std::fprintf(stderr, "fanbord: no sound device (%s); playing silently until one opens\n", SDL_GetError());
        silent_ = device == 0;
        return device;
    }

    void closeWhenIdle() {
        for (;;) {
            idle_.wait(false, std::memory_order_acquire);
            idle_.store(false, std::memory_order_relaxed);
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, kGrace, [this] { return quit_; }))
                return;
            // Not playing means no resume came since: nothing is waiting to sound.
            if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
                SDL_CloseAudioDevice(device_);
                device_ = 0;
            }
        }
    }

    // The silent clock: buffers at the pace a device would take them.
    void keepTime() {
        std::vector<float> buffer(2 * kFrames);
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(double(kFrames) / rate_));
        std::unique_lock lock(clockMutex_);
        for (;;) {
            clockWake_.wait(lock, [this] { return quit_ || clockRunning_; });
            if (quit_)
                return;
            for (auto next = std::chrono::steady_clock::now(); clockRunning_ && !quit_;) {
                clockRunning_ = callback_(buffer.data(), kFrames);
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
    SDL_AudioDeviceID device_ = 0; // changes only while no callback runs
    std::atomic<bool> idle_{false};
    std::condition_variable wake_;
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
