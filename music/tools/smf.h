#pragma once
// A Standard MIDI File at the tick level (engine/smf.h), as the score tools
// read and rewrite what abc2midi writes.
#include "engine/smf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

// False, with a reason, for what parseSmf rejects and for a track longer than
// 32 bits of ticks.
bool readSmf(const std::string& path, Smf& smf, std::string& why);
bool writeSmf(const std::string& path, const Smf& smf, std::string& why);

// One sounding note of the file: channel 0–15, MIDI pitch, ticks.
struct SmfNote {
    int channel = 0;
    int pitch = 0;
    std::uint32_t on = 0, off = 0;
};

struct TimeSignature {
    std::uint32_t tick = 0;
    int beats = 4, unit = 4;
};

std::vector<SmfNote> notesOf(const Smf& smf); // by onset, then channel, then pitch from the top
std::vector<TimeSignature> timeSignaturesOf(const Smf& smf);
int programOf(const Smf& smf, int channel); // the first program change, -1 if none
std::uint32_t endOf(const Smf& smf);        // the last tick of any track

} // namespace fanbord
