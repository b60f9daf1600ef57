#pragma once
// A Standard MIDI File at the tick level: formats 0 and 1, every track's
// events in order with absolute ticks and their bytes, running status written
// out. Never reads outside the buffer it is given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

struct SmfEvent {
    std::uint64_t tick = 0; // the sum of a long track's delta times can pass 32 bits
    // A channel message with its status byte; a meta event as FF, type, data;
    // SysEx as F0 or F7, data. Lengths are implied by the vector.
    std::vector<std::uint8_t> bytes;
};

struct Smf {
    std::uint16_t format = 1;
    std::uint16_t division = 480;              // ticks to a crotchet
    std::vector<std::vector<SmfEvent>> tracks; // each ends with its end-of-track event
};

// False, with a reason, for anything that is not a complete, well-formed file
// with a metrical division. Chunks other than tracks are skipped.
bool parseSmf(const std::uint8_t* data, std::size_t size, Smf& smf, std::string& why);

} // namespace fanbord
