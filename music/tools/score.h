#pragma once
// What the score tools need from one of our ABC scores beside its built file:
// where its bars fall and the band's dynamics.
#include "smf.h"

#include <string>
#include <vector>

namespace fanbord {

// A point of the band's dynamics: from one mark to the next the level moves
// evenly (a crescendo or a diminuendo); two marks a beat apart make a sudden change.
struct DynamicMark {
    int bar = 0;      // 0 is the upbeat bar
    double beat = 1;  // from 1, in the metre's beat
    int level = 100;  // MIDI expression
    std::string name; // pp … ff as written
};

struct Score {
    double upbeat = 0; // crotchets before the first bar line
    std::vector<DynamicMark> dynamics;
};

// Reads the first voice's notes up to its first bar line, and the line
//   %%dynamics 1 mf, 6:3 mf, 7 f, 8:3 mp, …
// which abc2midi leaves alone.
bool readScore(const std::string& path, Score& score, std::string& why);

// Bars and beats of a built file: its metre from the file, its upbeat from the score.
class BarGrid {
public:
    BarGrid(const Smf& smf, double upbeat);
    std::uint32_t tickOf(int bar, double beat) const;
    std::string where(std::uint32_t tick) const; // "bar 7 beat 3", "bar 7 beat 3.5"
    int barOf(std::uint32_t tick) const;
    int bars() const { return int(starts_.size()) - 1; } // complete or not, after the upbeat
    std::uint32_t beatTicks(int bar) const;              // the length of the bar's beat
    std::uint32_t barTicks(int bar) const;

private:
    struct Bar {
        std::uint32_t start, beat, length;
    };
    std::vector<Bar> starts_; // [0] is the upbeat bar, which may be empty
};

} // namespace fanbord
