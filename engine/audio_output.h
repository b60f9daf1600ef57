#pragma once
// The process's one audio output. Without a sound device it keeps time on a
// silent driver, so pieces still take their true length.
#include <functional>
#include <memory>

namespace fanbord {

class AudioOutput {
public:
    using Callback = std::function<void(float* interleavedStereo, int frames)>;
    virtual ~AudioOutput() = default;
    virtual void setPaused(bool paused) = 0;
    static std::unique_ptr<AudioOutput> open(int rate, Callback callback);
};

} // namespace fanbord
