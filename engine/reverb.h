#pragma once
// The room the band plays in: Schroeder and Moorer's reverberator, eight
// comb filters in parallel with a low-pass in each loop, then four all-passes
// in series, a set for each ear, the right one's delays a little longer.
// Everything is sized when it is made; processing only reads and writes it.
#include <cstddef>
#include <vector>

namespace fanbord {

class Reverb {
public:
    // How long the room takes to fall by 60 dB at low frequencies.
    static constexpr double kDecaySeconds = 1.05;

    explicit Reverb(int rate);

    // Adds the room's answer to `in` into `out`, both interleaved stereo.
    void process(const float* in, float* out, int frames);
    // Empties the room at once.
    void clear();
    // False once silence has gone in for long enough that none comes out.
    bool ringing() const { return ringing_; }

private:
    struct Line {
        std::size_t start, length, at = 0;
    };
    struct Comb {
        Line line;
        float feedback, lowpass = 0;
    };
    float comb(Comb& c, float in);
    float allpass(Line& l, float in);

    std::vector<float> memory_; // every delay line, one after another
    std::vector<Comb> combs_[2];
    std::vector<Line> allpasses_[2];
    std::size_t longestPath_ = 0; // frames from input to the last echo of one sample
    std::size_t quietFor_ = 0;
    bool ringing_ = false;
};

} // namespace fanbord
