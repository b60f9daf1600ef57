#pragma once
// The process's one audio output. A sound that finds no device keeps its true
// length on a silent clock; the next sound tries the device again.
#include <functional>
#include <memory>

namespace fanbord {

class AudioOutput {
public:
    // Fills the buffer; false when nothing sounds any more, and the output
    // then pauses itself until resume().
    using Callback = std::function<bool(float* interleavedStereo, int frames)>;
    virtual ~AudioOutput() = default;
    // Wakes a paused output, opening the device if it is closed. Waits at most
    // for the callback in progress, so a sound handed over before this call is
    // never missed.
    virtual void resume() = 0;
    static std::unique_ptr<AudioOutput> open(int rate, Callback callback);
};

} // namespace fanbord
