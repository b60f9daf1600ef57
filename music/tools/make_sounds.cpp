// Writes the program's two sounds, named as in the catalogue, deterministically:
// the same source always gives the same file.
//   make_sounds virvel OUT.wav     a snare roll that swells and ends on one accented stroke
//   make_sounds blip OUT.wav       the short, soft press feedback
#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A fixed-seed generator, so that every build writes the same noise.
class Noise {
public:
    double next() { // -1 … 1
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return double(state_ >> 11) / double(1ull << 52) - 1.0;
    }

private:
    std::uint64_t state_ = 0x5EED5EEDull;
};

// One snare stroke into `out` at `start`: a pitched head that drops a little,
// and the snares' filtered rattle, each with its own decay.
void stroke(std::vector<double>& out, double start, double level, Noise& noise) {
    const auto first = std::size_t(start * kRate);
    const std::size_t length = std::size_t(0.25 * kRate);
    double phase = 0, low = 0, high = 0, previous = 0;
    for (std::size_t i = 0; i < length && first + i < out.size(); ++i) {
        const double t = double(i) / kRate;
        const double frequency = 185 + 60 * std::exp(-t / 0.012);
        phase += 2 * kPi * frequency / kRate;
        const double head = std::sin(phase) * std::exp(-t / 0.028);
        // Band-limit the noise to the snares' range: a one-pole low-pass, then a high-pass.
        const double n = noise.next();
        low += 0.45 * (n - low);
        high = 0.85 * (high + low - previous);
        previous = low;
        const double snares = high * std::exp(-t / 0.075);
        const double attack = std::min(1.0, t / 0.0008);
        out[first + i] += level * attack * (0.55 * head + 0.9 * snares);
    }
}

std::vector<double> drumRoll() {
    Noise noise;
    const double rollEnd = 5.6, accent = 5.75, total = 6.1;
    std::vector<double> out(std::size_t(total * kRate), 0.0);
    // A closed roll: strokes about 22 a second, each hand a touch uneven, swelling from soft to loud.
    double t = 0.02;
    int i = 0;
    while (t < rollEnd) {
        const double swell = 0.12 + 0.55 * std::pow(t / rollEnd, 1.6);
        const double hand = (i % 2 ? 0.93 : 1.0);
        stroke(out, t, swell * hand * (1 + 0.08 * noise.next()), noise);
        t += 1.0 / 22 + 0.0025 * noise.next();
        ++i;
    }
    stroke(out, accent, 1.0, noise);
    // The last fifth of a second fades out what rings on.
    for (std::size_t k = std::size_t((total - 0.2) * kRate); k < out.size(); ++k)
        out[k] *= double(out.size() - k) / (0.2 * kRate);
    return out;
}

std::vector<double> blip() {
    const std::size_t n = std::size_t(0.05 * kRate);
    std::vector<double> out(n);
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / double(n);
        phase += 2 * kPi * (1250 - 350 * t) / kRate;
        const double envelope = std::pow(std::sin(kPi * t), 2); // starts and ends at zero: no click
        out[i] = 0.3 * envelope * std::sin(phase);
    }
    return out;
}

bool write(const std::string& path, std::vector<double> samples) {
    double peak = 0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    if (peak > 0.89)
        for (double& s : samples)
            s *= 0.89 / peak;
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        std::fprintf(stderr, "make_sounds: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    // The same samples must give the same bytes: no dither, no header time stamps.
    sf_command(f, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    const bool ok = sf_write_double(f, samples.data(), sf_count_t(samples.size())) == sf_count_t(samples.size());
    sf_close(f);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_sounds virvel|blip OUT.wav\n");
        return 2;
    }
    const std::string what = argv[1];
    if (what == "virvel")
        return write(argv[2], drumRoll()) ? 0 : 1;
    if (what == "blip")
        return write(argv[2], blip()) ? 0 : 1;
    std::fprintf(stderr, "make_sounds: unknown sound %s\n", argv[1]);
    return 2;
}
