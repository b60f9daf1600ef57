// Gives a built score the band's dynamics from its %%dynamics line: the same
// expression (MIDI controller 11) in every part, moving evenly from mark to
// mark a semiquaver at a time, so the band swells and eases together.
//   shape_dynamics SCORE.abc IN.mid OUT.mid
#include "score.h"
#include "smf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

using namespace fanbord;

namespace {

struct Point {
    std::uint32_t tick;
    double level;
};

double levelAt(const std::vector<Point>& curve, std::uint32_t tick) {
    if (tick <= curve.front().tick)
        return curve.front().level;
    for (std::size_t i = 1; i < curve.size(); ++i)
        if (tick <= curve[i].tick) {
            const Point &a = curve[i - 1], &b = curve[i];
            return a.level + (b.level - a.level) * double(tick - a.tick) / double(b.tick - a.tick);
        }
    return curve.back().level;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: shape_dynamics SCORE.abc IN.mid OUT.mid\n");
        return 2;
    }
    Score score;
    Smf smf;
    std::string why;
    if (!readScore(argv[1], score, why) || !readSmf(argv[2], smf, why)) {
        std::fprintf(stderr, "shape_dynamics: %s: %s\n", argv[1], why.c_str());
        return 1;
    }
    if (score.dynamics.empty()) {
        std::fprintf(stderr, "shape_dynamics: %s: no %%%%dynamics line\n", argv[1]);
        return 1;
    }
    const BarGrid grid(smf, score.upbeat);
    std::vector<Point> curve;
    for (const DynamicMark& m : score.dynamics) {
        const std::uint32_t tick = grid.tickOf(m.bar, m.beat);
        if (!curve.empty() && tick <= curve.back().tick) {
            std::fprintf(stderr, "shape_dynamics: %s: mark at bar %d beat %g falls on an earlier one\n", argv[1], m.bar,
                         m.beat);
            return 1;
        }
        curve.push_back({tick, double(m.level)});
    }

    std::uint32_t end = 0;
    for (const SmfNote& n : notesOf(smf))
        end = std::max(end, n.off);
    std::vector<std::pair<std::uint32_t, int>> steps;
    for (std::uint32_t t = 0; t < end; t += std::max(1, smf.division / 4)) {
        const int level = int(std::lround(levelAt(curve, t)));
        if (steps.empty() || steps.back().second != level)
            steps.emplace_back(t, level);
    }

    for (auto& track : smf.tracks) {
        std::set<int> channels;
        for (const SmfEvent& e : track)
            if ((e.bytes[0] & 0xF0) == 0x90)
                channels.insert(e.bytes[0] & 0x0F);
        std::vector<SmfEvent> shaped;
        for (int channel : channels)
            for (const auto& [tick, level] : steps)
                shaped.push_back({tick, {std::uint8_t(0xB0 | channel), 11, std::uint8_t(level)}});
        // Each change goes before whatever the track does at the same tick.
        track.insert(track.begin(), shaped.begin(), shaped.end());
        std::stable_sort(track.begin(), track.end(),
                         [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
    }
    if (!writeSmf(argv[3], smf, why)) {
        std::fprintf(stderr, "shape_dynamics: %s: %s\n", argv[3], why.c_str());
        return 1;
    }
    return 0;
}
