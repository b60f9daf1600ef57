// libFuzzer target: the MIDI reader must reject or accept any bytes without
// reading outside them, and what it accepts must be in time order.
#include "engine/midi_reader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fanbord::MidiSong song;
    std::string why;
    if (fanbord::parseMidi(data, size, song, why)) {
        double last = 0;
        for (const auto& e : song.events) {
            if (e.seconds < last || e.seconds > song.length)
                std::abort();
            last = e.seconds;
        }
    }
    return 0;
}
