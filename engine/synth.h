#pragma once
// What the sequencer plays on: FluidSynth with a SoundFont, or our own small
// fallback instrument when no SoundFont can be found.
#include "engine/midi_reader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace fanbord {

class Synth {
public:
    virtual ~Synth() = default;
    virtual void send(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // Silences every voice at once and puts every channel back to its power-on
    // controllers and program, without loading or freeing anything.
    virtual void reset() = 0;
    // Adds frames of interleaved stereo to `out`.
    virtual void render(float* out, int frames) = 0;
    // Whether all that `song` will select is loaded. Reads only what the
    // interface thread keeps; safe while the audio thread renders.
    virtual bool hasPresetsFor(const MidiSong&) const { return true; }
    // Loads it. Only while nothing else uses the synthesiser.
    virtual void loadPresetsFor(const MidiSong&) {}
};

// Loads the first SoundFont found (or the given file); null if there is none.
std::unique_ptr<Synth> makeFluidSynth(const std::vector<std::string>& candidates, int rate, std::string& loaded);
std::unique_ptr<Synth> makeFallbackSynth(int rate);
// The same synthesiser heard in a room (engine/reverb.h).
std::unique_ptr<Synth> inRoom(std::unique_ptr<Synth> dry, int rate);

// Where a General MIDI SoundFont is looked for: beside the executable first.
std::vector<std::string> soundFontCandidates(const std::string& programFolder);

} // namespace fanbord
