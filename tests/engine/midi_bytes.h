#pragma once
// Builds Standard MIDI Files byte by byte for the engine's tests.
#include <cstdint>
#include <string>
#include <vector>

namespace fanbord::test {

using Bytes = std::vector<std::uint8_t>;

inline void vlq(Bytes& b, std::uint32_t v) {
    std::uint8_t tmp[4];
    int n = 0;
    do {
        tmp[n++] = v & 0x7F;
        v >>= 7;
    } while (v);
    while (n--)
        b.push_back(std::uint8_t(tmp[n] | (n ? 0x80 : 0)));
}

inline void be(Bytes& b, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(std::uint8_t(v >> (8 * i)));
}

struct Track {
    Bytes data;
    Track& at(std::uint32_t delta, Bytes event) {
        vlq(data, delta);
        data.insert(data.end(), event.begin(), event.end());
        return *this;
    }
    Track& tempo(std::uint32_t delta, std::uint32_t microsPerQuarter) {
        return at(delta, {0xFF, 0x51, 0x03, std::uint8_t(microsPerQuarter >> 16), std::uint8_t(microsPerQuarter >> 8),
                          std::uint8_t(microsPerQuarter)});
    }
    Track& end(std::uint32_t delta = 0) { return at(delta, {0xFF, 0x2F, 0x00}); }
};

inline Bytes smf(int format, int division, const std::vector<Track>& tracks) {
    Bytes b = {'M', 'T', 'h', 'd'};
    be(b, 6, 4);
    be(b, std::uint32_t(format), 2);
    be(b, std::uint32_t(tracks.size()), 2);
    be(b, std::uint32_t(division), 2);
    for (const Track& t : tracks) {
        b.insert(b.end(), {'M', 'T', 'r', 'k'});
        be(b, std::uint32_t(t.data.size()), 4);
        b.insert(b.end(), t.data.begin(), t.data.end());
    }
    return b;
}

// Two tracks, two tempos: a quarter at 120 bpm (0.5 s), then two quarters at
// 60 bpm (2 s): 2.5 s in all. Running status and a SysEx on the way.
inline Bytes twoTempoSong() {
    Track conductor;
    conductor.tempo(0, 500000).tempo(480, 1000000).end(960);
    Track notes;
    notes.at(0, {0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .at(0, {0xC0, 56})
        .at(0, {0x90, 60, 100})
        .at(480, {64, 100}) // running status
        .at(480, {0x80, 60, 0})
        .at(0, {0x80, 64, 0})
        .at(0, {0x90, 67, 90})
        .at(480, {0x80, 67, 0})
        .end();
    return smf(1, 480, {conductor, notes});
}

} // namespace fanbord::test
