#include "smf.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

namespace fanbord {

namespace {

bool fail(std::string& why, const char* reason) {
    why = reason;
    return false;
}

void putBe(std::vector<std::uint8_t>& out, std::uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

void putVlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7Fu;
        v >>= 7;
    } while (v);
    while (n--)
        out.push_back(std::uint8_t(groups[n] | (n ? 0x80u : 0u)));
}

} // namespace

bool readSmf(const std::string& path, Smf& smf, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return fail(why, "cannot open");
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
    if (!parseSmf(data.data(), data.size(), smf, why))
        return false;
    // The tools count ticks in 32 bits, as the file's delta times do.
    for (const auto& track : smf.tracks)
        if (track.back().tick > UINT32_MAX)
            return fail(why, "track too long");
    return true;
}

bool writeSmf(const std::string& path, const Smf& smf, std::string& why) {
    std::vector<std::uint8_t> out;
    putBe(out, 0x4D546864u, 4);
    putBe(out, 6, 4);
    putBe(out, smf.format, 2);
    putBe(out, std::uint32_t(smf.tracks.size()), 2);
    putBe(out, smf.division, 2);
    for (const auto& track : smf.tracks) {
        std::vector<std::uint8_t> body;
        std::uint64_t tick = 0;
        for (const SmfEvent& e : track) {
            putVlq(body, std::uint32_t(e.tick - tick));
            tick = e.tick;
            const std::uint8_t s = e.bytes.at(0);
            const std::size_t head = s == 0xFF ? 2 : s >= 0xF0 ? 1 : e.bytes.size();
            body.insert(body.end(), e.bytes.begin(), e.bytes.begin() + std::ptrdiff_t(head));
            if (head < e.bytes.size() || s >= 0xF0) {
                putVlq(body, std::uint32_t(e.bytes.size() - head));
                body.insert(body.end(), e.bytes.begin() + std::ptrdiff_t(head), e.bytes.end());
            }
        }
        putBe(out, 0x4D54726Bu, 4);
        putBe(out, std::uint32_t(body.size()), 4);
        out.insert(out.end(), body.begin(), body.end());
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    return file.good() || fail(why, "cannot write");
}

std::vector<SmfNote> notesOf(const Smf& smf) {
    std::vector<SmfNote> notes;
    for (const auto& track : smf.tracks) {
        std::map<std::pair<int, int>, std::uint32_t> sounding; // channel, pitch → onset
        for (const SmfEvent& e : track) {
            const int kind = e.bytes[0] & 0xF0;
            if (kind != 0x80 && kind != 0x90)
                continue;
            const int channel = e.bytes[0] & 0x0F, pitch = e.bytes[1];
            const auto key = std::make_pair(channel, pitch);
            const auto held = sounding.find(key);
            if (held != sounding.end()) {
                notes.push_back({channel, pitch, held->second, std::uint32_t(e.tick)});
                sounding.erase(held);
            }
            if (kind == 0x90 && e.bytes[2] > 0)
                sounding[key] = std::uint32_t(e.tick);
        }
    }
    std::sort(notes.begin(), notes.end(), [](const SmfNote& a, const SmfNote& b) {
        return std::tie(a.on, a.channel, b.pitch) < std::tie(b.on, b.channel, a.pitch);
    });
    return notes;
}

std::vector<TimeSignature> timeSignaturesOf(const Smf& smf) {
    // The metre as the melody's track has it, over the first track's opening
    // signature: abc2midi writes later changes there, and copies stray ones
    // into other tracks at other ticks.
    std::map<std::uint32_t, TimeSignature> at;
    const auto read = [&](const std::vector<SmfEvent>& track) {
        for (const SmfEvent& e : track)
            if (e.bytes.size() >= 4 && e.bytes[0] == 0xFF && e.bytes[1] == 0x58)
                at[std::uint32_t(e.tick)] = {std::uint32_t(e.tick), e.bytes[2], 1 << std::min<int>(e.bytes[3], 6)};
    };
    if (!smf.tracks.empty())
        read(smf.tracks.front());
    const auto melody = std::find_if(smf.tracks.begin(), smf.tracks.end(), [](const auto& track) {
        return std::any_of(track.begin(), track.end(), [](const SmfEvent& e) { return (e.bytes[0] & 0xF0) == 0x90; });
    });
    if (melody != smf.tracks.end() && melody != smf.tracks.begin())
        read(*melody);
    std::vector<TimeSignature> list;
    for (const auto& [tick, signature] : at)
        list.push_back(signature);
    if (list.empty() || list.front().tick != 0)
        list.insert(list.begin(), TimeSignature{});
    return list;
}

int programOf(const Smf& smf, int channel) {
    for (const auto& track : smf.tracks)
        for (const SmfEvent& e : track)
            if ((e.bytes[0] & 0xF0) == 0xC0 && (e.bytes[0] & 0x0F) == channel)
                return e.bytes[1];
    return -1;
}

std::uint32_t endOf(const Smf& smf) {
    std::uint32_t end = 0;
    for (const auto& track : smf.tracks)
        if (!track.empty())
            end = std::max(end, std::uint32_t(track.back().tick));
    return end;
}

} // namespace fanbord
