#pragma once
// A Standard MIDI File at the tick level, as the score tools read and rewrite
// what abc2midi writes: every track's events in order with absolute ticks.
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

struct SmfEvent {
    std::uint32_t tick = 0;
    // A channel message with its status byte; a meta event as FF, type, data;
    // SysEx as F0 or F7, data. Lengths are implied by the vector.
    std::vector<std::uint8_t> bytes;
};

struct Smf {
    std::uint16_t format = 1;
    std::uint16_t division = 480; // ticks to a crotchet
    std::vector<std::vector<SmfEvent>> tracks;
};

// False, with a reason, for anything but a complete file with a metrical division.
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
