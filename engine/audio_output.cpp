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

SDL_AudioDeviceID openDevice(int rate, void* output);

// SDL's device. Even paused, SDL keeps its thread feeding silence, so a device
// that has been idle for a moment is closed, and opened again for the next sound.
class SdlOutput final : public AudioOutput {
public:
    SdlOutput(int rate, Callback callback) : callback_(std::move(callback)), rate_(rate) {}
    bool start() {
        device_ = openDevice(rate_, this);
        if (device_ == 0)
            return false;
        closer_ = std::thread([this] { closeWhenIdle(); });
        return true;
    }
    ~SdlOutput() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        idle_.store(true);
        idle_.notify_one();
        wake_.notify_one();
        if (closer_.joinable())
            closer_.join();
        if (device_ != 0)
            SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // SDL holds the device's lock around the callback, so a resume cannot slip
    // in between the callback's last look and its pause.
    void resume() override {
        std::lock_guard lock(mutex_);
        if (device_ == 0)
            device_ = openDevice(rate_, this);
        if (device_ != 0)
            SDL_PauseAudioDevice(device_, 0);
    }
    static void feed(void* self, Uint8* stream, int bytes) {
        auto* output = static_cast<SdlOutput*>(self);
        if (output->callback_(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float))))
            return;
        SDL_PauseAudioDevice(output->device_, 1); // the lock is recursive: safe inside the callback
        output->idle_.store(true, std::memory_order_release);
        output->idle_.notify_one();
    }
    Callback callback_;

private:
    // Long enough that the sounds of one moment (a blip, then a piece) share
    // one opening; short beside the pauses between the ceremony's pieces.
    static constexpr auto kGrace = std::chrono::milliseconds(500);

    void closeWhenIdle() {
        for (;;) {
            idle_.wait(false, std::memory_order_acquire);
            idle_.store(false, std::memory_order_relaxed);
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, kGrace, [this] { return quit_; }))
                return;
            // Still paused means no resume came since: nothing is waiting to sound.
            if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_PAUSED) {
                SDL_CloseAudioDevice(device_);
                device_ = 0;
            }
        }
    }

    int rate_;
    SDL_AudioDeviceID device_ = 0; // changes only while no callback runs
    std::atomic<bool> idle_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread closer_;
};

// Last resort when SDL cannot even open its silent driver: our own clock.
class ThreadOutput final : public AudioOutput {
public:
    ThreadOutput(int rate, Callback callback) : callback_(std::move(callback)) {
        thread_ = std::thread([this, rate] {
            std::vector<float> buffer(2 * kFrames);
            const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                std::chrono::duration<double>(double(kFrames) / rate));
            auto next = std::chrono::steady_clock::now();
            std::unique_lock lock(mutex_);
            while (!quit_) {
                if (paused_) {
                    wake_.wait(lock, [this] { return quit_ || !paused_; });
                    next = std::chrono::steady_clock::now();
                    continue;
                }
                paused_ = !callback_(buffer.data(), kFrames);
                next += period;
                lock.unlock();
                std::this_thread::sleep_until(next);
                lock.lock();
            }
        });
    }
    ~ThreadOutput() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void resume() override {
        {
            std::lock_guard lock(mutex_);
            paused_ = false;
        }
        wake_.notify_one();
    }

private:
    Callback callback_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false, paused_ = true;
    std::thread thread_;
};

SDL_AudioDeviceID openOn(int rate, void* output) {
    SDL_AudioSpec want{}, have{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kFrames;
    want.callback = &SdlOutput::feed;
    want.userdata = output;
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0); // opens paused
}

// The default device, or SDL's silent driver where there is none.
SDL_AudioDeviceID openDevice(int rate, void* output) {
    if (const SDL_AudioDeviceID device = openOn(rate, output))
        return device;
    std::fprintf(stderr, "fanbord: no sound device (%s); playing silently\n", SDL_GetError());
    SDL_AudioQuit();
    return SDL_AudioInit("dummy") == 0 ? openOn(rate, output) : 0;
}

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::open(int rate, Callback callback) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        auto output = std::make_unique<SdlOutput>(rate, std::move(callback));
        if (output->start())
            return output;
        callback = std::move(output->callback_);
    }
    std::fprintf(stderr, "fanbord: no audio driver at all (%s); keeping time without one\n", SDL_GetError());
    return std::make_unique<ThreadOutput>(rate, std::move(callback));
}

} // namespace fanbord
