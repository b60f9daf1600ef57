// A plain instrument for machines without a SoundFont: a few harmonics under
// a soft envelope, enough to carry melody and harmony. Drums are left out.
// Channel volume and expression shape the band's loudness as General MIDI
// has them, and as FluidSynth plays them: 40 log10(value / 127) dB each.
#include "engine/synth.h"

#include <array>
#include <cmath>

namespace fanbord {

namespace {

constexpr double kPi = 3.14159265358979323846;

class FallbackSynth final : public Synth {
public:
    explicit FallbackSynth(int rate) : rate_(rate), glide_(1 - std::exp(-1.0 / (kGlideSeconds * rate))) { reset(); }

    void send(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) override {
        const int ch = status & 0x0F;
        const int kind = status & 0xF0;
        if (ch == 9)
            return;
        if (kind == 0x90 && d2 > 0) {
            Voice& v = freeVoice();
            v = Voice{true, false, ch, d1, 440.0 * std::pow(2.0, (d1 - 69) / 12.0), 0, 0, d2 / 127.0, gain(ch)};
        } else if (kind == 0x80 || kind == 0x90) {
            for (Voice& v : voices_)
                if (v.on && v.channel == ch && v.key == d1)
                    v.released = true;
        } else if (kind == 0xB0 && d1 == 7) {
            volume_[ch] = d2;
        } else if (kind == 0xB0 && d1 == 11) {
            expression_[ch] = d2;
        } else if (kind == 0xB0 && d1 == 121) {
            expression_[ch] = 127; // as General MIDI resets controllers: the volume stays
        } else if (kind == 0xB0 && (d1 == 120 || d1 == 123)) {
            for (Voice& v : voices_)
                if (v.channel == ch)
                    v.released = true;
        }
    }
    void reset() override {
        for (Voice& v : voices_)
            v.on = false;
        volume_.fill(100);
        expression_.fill(127);
    }
    void render(float* out, int frames) override {
        const double attack = 1.0 / (0.01 * rate_), release = 1.0 / (0.08 * rate_);
        for (Voice& v : voices_) {
            if (!v.on)
                continue;
            const double step = 2 * kPi * v.frequency / rate_;
            for (int i = 0; i < frames; ++i) {
                if (v.released) {
                    v.envelope -= release;
                    if (v.envelope <= 0) {
                        v.on = false;
                        break;
                    }
                } else if (v.envelope < 1) {
                    v.envelope = std::min(1.0, v.envelope + attack);
                }
                const double s = std::sin(v.phase) + 0.5 * std::sin(2 * v.phase) + 0.25 * std::sin(3 * v.phase);
                v.gain += (gain(v.channel) - v.gain) * glide_;
                const float sample = float(kLoudness * v.level * v.gain * v.envelope * s);
                out[2 * i] += sample;
                out[2 * i + 1] += sample;
                v.phase = std::fmod(v.phase + step, 2 * kPi);
            }
        }
    }

private:
    struct Voice {
        bool on = false, released = false;
        int channel = 0, key = 0;
        double frequency = 0, phase = 0, envelope = 0, level = 0, gain = 0;
    };
    double gain(int channel) const {
        const double g = volume_[std::size_t(channel)] * expression_[std::size_t(channel)] / (127.0 * 127.0);
        return g * g;
    }
    Voice& freeVoice() {
        for (Voice& v : voices_)
            if (!v.on)
                return v;
        Voice* quietest = &voices_[0];
        for (Voice& v : voices_)
            if (v.envelope < quietest->envelope)
                quietest = &v;
        return *quietest;
    }
    // A voice's full level: the pieces sound as loud as on the SoundFont.
    static constexpr double kLoudness = 0.075;
    // A change of loudness glides over a few milliseconds, so it does not click.
    static constexpr double kGlideSeconds = 0.005;
    int rate_;
    double glide_; // the share of the way to a new gain taken each frame
    std::array<Voice, 24> voices_{};
    std::array<int, 16> volume_{}, expression_{};
};

} // namespace

std::unique_ptr<Synth> makeFallbackSynth(int rate) { return std::make_unique<FallbackSynth>(rate); }

} // namespace fanbord
