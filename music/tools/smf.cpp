#include "smf.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <tuple>

namespace fanbord {

namespace {

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& data) : data_(data) {}
    bool has(std::size_t n) const { return data_.size() - at_ >= n; }
    std::size_t at() const { return at_; }
    bool u8(std::uint8_t& v) {
        if (!has(1))
            return false;
        v = data_[at_++];
        return true;
    }
    bool be(int bytes, std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < bytes; ++i) {
            std::uint8_t b;
            if (!u8(b))
                return false;
            v = v << 8 | b;
        }
        return true;
    }
    bool vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!u8(b))
                return false;
            v = v << 7 | (b & 0x7Fu);
            if (!(b & 0x80u))
                return true;
        }
        return false;
    }
    bool take(std::size_t n, std::vector<std::uint8_t>& to) {
        if (!has(n))
            return false;
        to.insert(to.end(), data_.begin() + std::ptrdiff_t(at_), data_.begin() + std::ptrdiff_t(at_ + n));
        at_ += n;
        return true;
    }

private:
    const std::vector<std::uint8_t>& data_;
    std::size_t at_ = 0;
};

bool fail(std::string& why, const char* reason) {
    why = reason;
    return false;
}

bool readTrack(Reader& r, std::size_t end, std::vector<SmfEvent>& track, std::string& why) {
    std::uint32_t tick = 0;
    std::uint8_t running = 0;
    while (r.at() < end) {
        std::uint32_t delta;
        std::uint8_t b;
        if (!r.vlq(delta) || !r.u8(b))
            return fail(why, "truncated event");
        tick += delta;
        SmfEvent e{tick, {}};
        if (b == 0xFF || b == 0xF0 || b == 0xF7) {
            e.bytes.push_back(b);
            std::uint8_t type = 0;
            if (b == 0xFF && !r.u8(type))
                return fail(why, "truncated meta event");
            if (b == 0xFF)
                e.bytes.push_back(type);
            std::uint32_t len;
            if (!r.vlq(len) || !r.take(len, e.bytes))
                return fail(why, "truncated meta or SysEx event");
        } else {
            if (b & 0x80u)
                running = b;
            else if (!running)
                return fail(why, "data byte without a status");
            e.bytes.push_back(running);
            const int kind = running & 0xF0;
            const std::size_t data = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            if (!(b & 0x80u))
                e.bytes.push_back(b);
            while (e.bytes.size() < data + 1) {
                std::uint8_t d;
                if (!r.u8(d))
                    return fail(why, "truncated channel event");
                e.bytes.push_back(d);
            }
        }
        track.push_back(std::move(e));
    }
    return true;
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
    Reader r(data);
    std::uint32_t id, len, format, count, division;
    if (!r.be(4, id) || id != 0x4D546864u || !r.be(4, len) || len < 6 || !r.be(2, format) || !r.be(2, count) ||
        !r.be(2, division))
        return fail(why, "not a MIDI file");
    if (division == 0 || division & 0x8000u)
        return fail(why, "no metrical division");
    smf = {std::uint16_t(format), std::uint16_t(division), {}};
    std::vector<std::uint8_t> skipped;
    if (!r.take(len - 6, skipped))
        return fail(why, "truncated header");
    for (std::uint32_t t = 0; t < count; ++t) {
        if (!r.be(4, id) || !r.be(4, len) || !r.has(len))
            return fail(why, "truncated track");
        smf.tracks.emplace_back();
        if (!readTrack(r, r.at() + len, smf.tracks.back(), why))
            return false;
    }
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
        std::uint32_t tick = 0;
        for (const SmfEvent& e : track) {
            putVlq(body, e.tick - tick);
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
                notes.push_back({channel, pitch, held->second, e.tick});
                sounding.erase(held);
            }
            if (kind == 0x90 && e.bytes[2] > 0)
                sounding[key] = e.tick;
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
                at[e.tick] = {e.tick, e.bytes[2], 1 << std::min<int>(e.bytes[3], 6)};
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
            end = std::max(end, track.back().tick);
    return end;
}

} // namespace fanbord
