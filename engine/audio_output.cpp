#include "engine/audio_output.h"

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace fanbord {

namespace {

constexpr int kFrames = 1024;

class SdlOutput final : public AudioOutput {
public:
    SdlOutput(SDL_AudioDeviceID device, Callback callback) : device_(device), callback_(std::move(callback)) {}
    ~SdlOutput() override {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    void setPaused(bool paused) override { SDL_PauseAudioDevice(device_, paused ? 1 : 0); }
    static void feed(void* self, Uint8* stream, int bytes) {
        static_cast<SdlOutput*>(self)->callback_(reinterpret_cast<float*>(stream), bytes / int(2 * sizeof(float)));
    }
    SDL_AudioDeviceID device_ = 0;
    Callback callback_;
};

// Last resort when SDL cannot even open its silent driver: our own clock.
class ThreadOutput final : public AudioOutput {
public:
    ThreadOutput(int rate, Callback callback) : callback_(std::move(callback)) {
        thread_ = std::thread([this, rate] {
            std::vector<float> buffer(2 * kFrames);
            auto next = std::chrono::steady_clock::now();
            const auto period = std::chrono::duration<double>(double(kFrames) / rate);
            while (!quit_) {
                if (!paused_)
                    callback_(buffer.data(), kFrames);
                next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~ThreadOutput() override {
        quit_ = true;
        thread_.join();
    }
    void setPaused(bool paused) override { paused_ = paused; }

private:
    Callback callback_;
    std::atomic<bool> quit_{false}, paused_{true};
    std::thread thread_;
};

SDL_AudioDeviceID openDevice(int rate, SdlOutput* output) {
    SDL_AudioSpec want{}, have{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kFrames;
    want.callback = &SdlOutput::feed;
    want.userdata = output;
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

} // namespace

std::unique_ptr<AudioOutput> AudioOutput::open(int rate, Callback callback) {
    auto output = std::make_unique<SdlOutput>(0, std::move(callback));
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        output->device_ = openDevice(rate, output.get());
        if (output->device_ == 0) {
            std::fprintf(stderr, "fanbord: no sound device (%s); playing silently\n", SDL_GetError());
            SDL_AudioQuit();
            if (SDL_AudioInit("dummy") == 0)
                output->device_ = openDevice(rate, output.get());
        }
    }
    if (output->device_ != 0) {
        SDL_PauseAudioDevice(output->device_, 1);
        return output;
    }
    std::fprintf(stderr, "fanbord: no audio driver at all (%s); keeping time without one\n", SDL_GetError());
    auto fallback = std::make_unique<ThreadOutput>(rate, std::move(output->callback_));
    output->device_ = 0;
    return fallback;
}

} // namespace fanbord
