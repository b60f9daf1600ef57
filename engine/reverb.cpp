#include "engine/reverb.h"
#include "engine/synth.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace fanbord {

namespace {

// Delay lengths in frames at 44.1 kHz, as published for this design: mutually
// far from simple ratios, so that the combs' echoes do not pile up.
constexpr int kCombFrames[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassFrames[] = {556, 441, 341, 225};
constexpr int kRightEarLonger = 23;
constexpr double kPublishedRate = 44100;

constexpr float kAllpassGain = 0.5f;
// The low-pass in each comb's loop: the higher, the sooner the treble dies.
constexpr float kDamping = 0.2f;
// Stereo width of the answer: 1 keeps each ear's set to itself.
constexpr float kWidth = 0.8f;
// The answer's level against what goes in.
constexpr float kLevel = 0.034f;
// Far below a 16-bit step: a room this quiet has finished ringing.
constexpr float kFloor = 1e-7f;

} // namespace

Reverb::Reverb(int rate) {
    const double scale = rate / kPublishedRate;
    std::size_t total = 0;
    auto line = [&](int frames) {
        const Line l{total, std::max<std::size_t>(1, std::size_t(std::lround(frames * scale)))};
        total += l.length;
        return l;
    };
    for (int ear = 0; ear < 2; ++ear) {
        const int longer = ear * kRightEarLonger;
        std::size_t path = 0;
        for (int frames : kCombFrames) {
            const Line l = line(frames + longer);
            // Each loop loses the same decibels per second, so that every comb
            // falls by 60 dB in the room's decay time.
            const auto feedback = float(std::pow(10.0, -3.0 * double(l.length) / (rate * kDecaySeconds)));
            combs_[ear].push_back(Comb{l, feedback});
            path = std::max(path, l.length);
        }
        for (int frames : kAllpassFrames) {
            allpasses_[ear].push_back(line(frames + longer));
            path += allpasses_[ear].back().length;
        }
        longestPath_ = std::max(longestPath_, path);
    }
    memory_.assign(total, 0.0f);
}

// Moorer's comb: the echo comes back through a one-pole low-pass, as a wall
// gives back less of the treble than of the bass.
float Reverb::comb(Comb& c, float in) {
    float& slot = memory_[c.line.start + c.line.at];
    const float out = slot;
    c.lowpass = out * (1 - kDamping) + c.lowpass * kDamping;
    slot = in + c.feedback * c.lowpass;
    c.line.at = c.line.at + 1 == c.line.length ? 0 : c.line.at + 1;
    return out;
}

// Schroeder's all-pass: thickens the echoes without colouring them.
float Reverb::allpass(Line& l, float in) {
    float& slot = memory_[l.start + l.at];
    const float delayed = slot;
    const float v = in + kAllpassGain * delayed;
    slot = v;
    l.at = l.at + 1 == l.length ? 0 : l.at + 1;
    return delayed - kAllpassGain * v;
}

void Reverb::process(const float* in, float* out, int frames) {
    constexpr float same = kLevel * (1 + kWidth) / 2, other = kLevel * (1 - kWidth) / 2;
    for (int i = 0; i < frames; ++i) {
        if (!ringing_) {
            if (in[2 * i] == 0.0f && in[2 * i + 1] == 0.0f)
                continue;
            ringing_ = true;
        }
        const float x = 0.5f * (in[2 * i] + in[2 * i + 1]);
        float ear[2];
        for (int e = 0; e < 2; ++e) {
            float s = 0;
            for (Comb& c : combs_[e])
                s += comb(c, x);
            for (Line& a : allpasses_[e])
                s = allpass(a, s);
            ear[e] = s;
        }
        const float left = same * ear[0] + other * ear[1], right = same * ear[1] + other * ear[0];
        out[2 * i] += left;
        out[2 * i + 1] += right;
        // Silence going in, and next to nothing coming out for the longest way
        // through: what is left would only decay into denormals, slowly.
        if (x == 0.0f && std::abs(left) < kFloor && std::abs(right) < kFloor) {
            if (++quietFor_ >= longestPath_)
                clear();
        } else {
            quietFor_ = 0;
        }
    }
}

void Reverb::clear() {
    std::fill(memory_.begin(), memory_.end(), 0.0f);
    for (auto& ear : combs_)
        for (Comb& c : ear)
            c.lowpass = 0;
    quietFor_ = 0;
    ringing_ = false;
}

namespace {

// The synthesiser heard in the room. The room empties with the synthesiser's
// reset, after a fade or a played-out piece, so no tail reaches the next one.
class InRoom final : public Synth {
public:
    InRoom(std::unique_ptr<Synth> dry, int rate) : dry_(std::move(dry)), room_(rate) {}

    void send(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) override { dry_->send(status, d1, d2); }
    void reset() override {
        dry_->reset();
        room_.clear();
    }
    void render(float* out, int frames) override {
        for (int done = 0; done < frames;) {
            const int n = std::min(frames - done, kChunk);
            float* at = out + 2 * std::size_t(done);
            std::fill_n(bus_.begin(), 2 * n, 0.0f);
            dry_->render(bus_.data(), n);
            room_.process(bus_.data(), at, n);
            for (int i = 0; i < 2 * n; ++i)
                at[i] += bus_[std::size_t(i)];
            done += n;
        }
    }
    bool hasPresetsFor(const MidiSong& song) const override { return dry_->hasPresetsFor(song); }
    void loadPresetsFor(const MidiSong& song) override { dry_->loadPresetsFor(song); }

private:
    static constexpr int kChunk = 1024;
    std::unique_ptr<Synth> dry_;
    Reverb room_;
    std::array<float, 2 * kChunk> bus_{}; // made once: the audio thread never allocates
};

} // namespace

std::unique_ptr<Synth> inRoom(std::unique_ptr<Synth> dry, int rate) {
    return std::make_unique<InRoom>(std::move(dry), rate);
}

} // namespace fanbord
