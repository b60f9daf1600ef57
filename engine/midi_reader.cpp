#include "engine/midi_reader.h"

#include "engine/smf.h"

#include <algorithm>

namespace fanbord {

namespace {

struct TickEvent {
    std::uint64_t tick;
    bool tempo;
    std::uint32_t microsPerQuarter;
    MidiEvent event;
};

} // namespace

bool parseMidi(const std::uint8_t* data, std::size_t size, MidiSong& song, std::string& why) {
    song = {};
    Smf smf;
    if (!parseSmf(data, size, smf, why))
        return false;

    std::vector<TickEvent> all;
    std::uint64_t lastTick = 0;
    for (const auto& track : smf.tracks) {
        for (const SmfEvent& e : track) {
            const std::vector<std::uint8_t>& b = e.bytes;
            if (b[0] < 0xF0)
                all.push_back({e.tick, false, 0, {0, b[0], b[1], b.size() > 2 ? b[2] : std::uint8_t(0)}});
            else if (b[0] == 0xFF && b[1] == 0x51)
                all.push_back({e.tick, true, std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 8 | b[4], {}});
        }
        lastTick = std::max(lastTick, track.back().tick);
    }
    std::stable_sort(all.begin(), all.end(), [](const TickEvent& a, const TickEvent& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        return a.tempo && !b.tempo; // a tempo change applies to events at its own tick
    });

    // The tempo map: seconds advance at the tempo in force since the last change.
    const std::uint32_t division = smf.division;
    double seconds = 0;
    std::uint64_t tick = 0;
    double secondsPerTick = 500000.0 / 1e6 / division;
    for (const TickEvent& e : all) {
        seconds += double(e.tick - tick) * secondsPerTick;
        tick = e.tick;
        if (e.tempo) {
            secondsPerTick = e.microsPerQuarter / 1e6 / division;
            continue;
        }
        MidiEvent m = e.event;
        m.seconds = seconds;
        song.events.push_back(m);
    }
    song.length = seconds + double(lastTick - tick) * secondsPerTick;
    return true;
}

} // namespace fanbord
