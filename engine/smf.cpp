#include "engine/smf.h"

namespace fanbord {

namespace {

class Cursor {
public:
    Cursor(const std::uint8_t* p, std::size_t n) : p_(p), end_(p + n) {}
    bool has(std::size_t n) const { return std::size_t(end_ - p_) >= n; }
    bool done() const { return p_ >= end_; }
    bool byte(std::uint8_t& b) {
        if (!has(1))
            return false;
        b = *p_++;
        return true;
    }
    bool peek(std::uint8_t& b) const {
        if (!has(1))
            return false;
        b = *p_;
        return true;
    }
    bool u16(std::uint32_t& v) {
        if (!has(2))
            return false;
        v = std::uint32_t(p_[0]) << 8 | p_[1];
        p_ += 2;
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (!has(4))
            return false;
        v = std::uint32_t(p_[0]) << 24 | std::uint32_t(p_[1]) << 16 | std::uint32_t(p_[2]) << 8 | p_[3];
        p_ += 4;
        return true;
    }
    // Variable-length quantity: at most four bytes.
    bool vlq(std::uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint8_t b;
            if (!byte(b))
                return false;
            v = v << 7 | (b & 0x7Fu);
            if (!(b & 0x80u))
                return true;
        }
        return false;
    }
    bool skip(std::size_t n) {
        if (!has(n))
            return false;
        p_ += n;
        return true;
    }
    bool take(std::size_t n, std::vector<std::uint8_t>& to) {
        if (!has(n))
            return false;
        to.insert(to.end(), p_, p_ + n);
        p_ += n;
        return true;
    }
    const std::uint8_t* here() const { return p_; }

private:
    const std::uint8_t* p_;
    const std::uint8_t* end_;
};

bool fail(std::string& why, const char* reason) {
    why = reason;
    return false;
}

// Whatever follows the end-of-track event in its chunk is ignored.
bool readTrack(Cursor& c, std::vector<SmfEvent>& track, std::string& why) {
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    bool ended = false;
    while (!c.done() && !ended) {
        std::uint32_t delta;
        if (!c.vlq(delta))
            return fail(why, "truncated or malformed delta time");
        tick += delta;
        std::uint8_t b;
        if (!c.peek(b))
            return fail(why, "truncated event");
        SmfEvent e{tick, {}};
        if (b == 0xFF) {
            c.skip(1);
            std::uint8_t type;
            std::uint32_t len;
            if (!c.byte(type) || !c.vlq(len) || !c.has(len))
                return fail(why, "truncated meta event");
            if (type == 0x51 && len != 3)
                return fail(why, "malformed tempo");
            e.bytes = {b, type};
            c.take(len, e.bytes);
            if (type == 0x51 && (e.bytes[2] | e.bytes[3] | e.bytes[4]) == 0)
                return fail(why, "zero tempo");
            ended = type == 0x2F;
        } else if (b == 0xF0 || b == 0xF7) {
            c.skip(1);
            e.bytes = {b};
            std::uint32_t len;
            if (!c.vlq(len) || !c.take(len, e.bytes))
                return fail(why, "truncated SysEx event");
            running = 0;
        } else {
            std::uint8_t status = running;
            if (b & 0x80) {
                c.skip(1);
                status = b;
            }
            if (!(status & 0x80) || status >= 0xF0)
                return fail(why, "data byte without a status");
            running = status;
            std::uint8_t d1 = 0, d2 = 0;
            const int kind = status & 0xF0;
            const bool two = kind != 0xC0 && kind != 0xD0;
            if (!c.byte(d1) || (two && !c.byte(d2)))
                return fail(why, "truncated channel event");
            if ((d1 | d2) & 0x80)
                return fail(why, "malformed channel event");
            e.bytes = {status, d1};
            if (two)
                e.bytes.push_back(d2);
        }
        track.push_back(std::move(e));
    }
    if (!ended)
        return fail(why, "track has no end");
    return true;
}

} // namespace

bool parseSmf(const std::uint8_t* data, std::size_t size, Smf& smf, std::string& why) {
    smf = {};
    Cursor c(data, size);
    std::uint32_t id, len, format, tracks, division;
    if (!c.u32(id) || id != 0x4D546864u)
        return fail(why, "not a MIDI file");
    if (!c.u32(len) || len < 6 || !c.u16(format) || !c.u16(tracks) || !c.u16(division) || !c.skip(len - 6))
        return fail(why, "truncated MIDI header");
    if (format > 1)
        return fail(why, "unsupported MIDI format");
    if (tracks == 0)
        return fail(why, "no tracks");
    if (division & 0x8000u || division == 0)
        return fail(why, "unsupported time division");
    smf.format = std::uint16_t(format);
    smf.division = std::uint16_t(division);
    for (std::uint32_t t = 0; t < tracks; ++t) {
        if (!c.u32(id) || !c.u32(len) || !c.has(len))
            return fail(why, "truncated track");
        Cursor track(c.here(), len);
        c.skip(len);
        if (id != 0x4D54726Bu)
            continue; // unknown chunks are skipped
        smf.tracks.emplace_back();
        if (!readTrack(track, smf.tracks.back(), why))
            return false;
    }
    return true;
}

} // namespace fanbord
