#include "engine/wav_loader.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fanbord {

namespace {

// libsndfile reading from memory.
struct Bytes {
    const std::vector<std::uint8_t>& data;
    sf_count_t at = 0;
};

sf_count_t length(void* user) {
    return sf_count_t(static_cast<Bytes*>(user)->data.size());
}

sf_count_t seek(sf_count_t offset, int whence, void* user) {
    auto& b = *static_cast<Bytes*>(user);
    const sf_count_t base = whence == SEEK_CUR ? b.at : whence == SEEK_END ? length(user) : 0;
    b.at = std::clamp<sf_count_t>(base + offset, 0, length(user));
    return b.at;
}

sf_count_t read(void* out, sf_count_t count, void* user) {
    auto& b = *static_cast<Bytes*>(user);
    const sf_count_t n = std::min(count, length(user) - b.at);
    std::memcpy(out, b.data.data() + b.at, std::size_t(n));
    b.at += n;
    return n;
}

sf_count_t write(const void*, sf_count_t, void*) {
    return 0;
}

sf_count_t tell(void* user) {
    return static_cast<Bytes*>(user)->at;
}

} // namespace

std::vector<float> resampleStereo(const std::vector<float>& in, int from, int to) {
    const std::size_t frames = in.size() / 2;
    if (from == to || frames == 0)
        return in;
    const auto outFrames = std::size_t(std::llround(double(frames) * to / from));
    std::vector<float> out(outFrames * 2);
    const double ratio = double(from) / to;
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double pos = i * ratio;
        const auto a = std::min(std::size_t(pos), frames - 1);
        const auto b = std::min(a + 1, frames - 1);
        const float t = float(pos - double(a));
        for (int c = 0; c < 2; ++c)
            out[2 * i + c] = in[2 * a + c] * (1 - t) + in[2 * b + c] * t;
    }
    return out;
}

bool decodeWav(const std::vector<std::uint8_t>& bytes, int rate, std::vector<float>& stereo, std::string& why) {
    SF_VIRTUAL_IO io{length, seek, read, write, tell};
    Bytes source{bytes};
    SF_INFO info{};
    SNDFILE* f = sf_open_virtual(&io, SFM_READ, &info, &source);
    if (!f) {
        why = std::string("not a readable WAV sound: ") + sf_strerror(nullptr);
        return false;
    }
    if ((info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_WAV || info.channels < 1 || info.channels > 8 ||
        info.samplerate < 1000 || info.samplerate > 384000) {
        sf_close(f);
        why = "not a WAV sound";
        return false;
    }
    // A truncated data chunk still reads: what is there, with its true length.
    std::vector<float> buffer(4096 * std::size_t(info.channels));
    std::vector<float> in;
    for (;;) {
        const sf_count_t got = sf_readf_float(f, buffer.data(), 4096);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i) {
            const float* frame = &buffer[std::size_t(i) * info.channels];
            in.push_back(frame[0]);
            in.push_back(info.channels > 1 ? frame[1] : frame[0]);
        }
    }
    sf_close(f);
    if (in.empty()) {
        why = "the sound is empty";
        return false;
    }
    stereo = resampleStereo(in, info.samplerate, rate);
    return true;
}

} // namespace fanbord
