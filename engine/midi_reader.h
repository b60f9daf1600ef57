#pragma once
// A Standard MIDI File as the synthesiser plays it: its channel messages timed
// through the tempo map. Never reads outside the buffer it is given.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord {

struct MidiEvent {
    double seconds = 0;        // from the start, through the tempo map
    std::uint8_t status = 0;   // channel messages only (0x80 … 0xEF)
    std::uint8_t data1 = 0, data2 = 0;
};

struct MidiSong {
    std::vector<MidiEvent> events; // in time order; equal times keep file order
    double length = 0;             // time of the last event of any kind
};

// False, with a reason, for anything that is not a complete, well-formed file.
bool parseMidi(const std::uint8_t* data, std::size_t size, MidiSong& song, std::string& why);

} // namespace fanbord
