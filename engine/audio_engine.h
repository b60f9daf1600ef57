#pragma once
// Our media framework: one audio output for the process, MIDI through
// FluidSynth (or a built-in instrument), WAV through libsndfile. Nothing of
// FluidSynth, SDL or libsndfile shows outside engine/.
#include "media/media_graph.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace fanbord {

struct EngineOptions {
    // Offline: no device; the engine advances only through render().
    bool offline = false;
    // Where a SoundFont is looked for first (beside the executable).
    std::string programFolder{};
    // Replaces the search list when not empty (tests).
    std::vector<std::string> soundFonts{};
    int rate = 44100;
};

class AudioEngine final : public MediaFramework {
public:
    explicit AudioEngine(EngineOptions options);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    std::unique_ptr<MediaGraph> createGraph() override;
    // Offline, the sound is mixed into the following render() calls and this
    // returns at once.
    void playBlocking(const std::string& path) override;

    // Offline only: mixes the next frames of interleaved stereo.
    void render(float* out, std::size_t frames);
    int rate() const;
    // Waits for the SoundFont; empty when the built-in instrument plays.
    std::string soundFont() const;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

} // namespace fanbord
