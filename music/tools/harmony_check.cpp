// Listens to a built score as a bandmaster reading it would, and names every
// place a listener would stumble on:
//   consecutive fifths or octaves between two voices, in parallel or by
//   contrary motion, also across a short rest;
//   a minor second, minor ninth or major seventh over the bass that does not
//   resolve by step;
//   a seventh or tritone over the bass that a written part leaves by a leap,
//   and a written part leaping a tritone, a seventh or more than an octave;
//   a timpani stroke outside the sounding chord;
//   a part above the melody;
//   no third in the whole band for a bar, or under the melody for two;
//   dynamics missing, different between the parts, flat, or a soft close.
//   harmony_check SCORE.abc BUILT.mid [--figures]
// Exit status 1 with the findings on standard output; --figures also prints
// how often the harmony changes and how many melody notes lie outside it.
#include "score.h"
#include "smf.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace fanbord;

namespace {

enum class Role { Melody, Part, Timpani, Percussion };

struct Line {
    std::string name;
    Role role = Role::Part;
    int channel = 0;
    std::vector<SmfNote> notes; // in order, never overlapping
};

struct Sounding {
    const Line* line;
    const SmfNote* note;
};

std::string pitchName(int pitch) {
    static const char* const names[] = {"C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "B"};
    return names[pitch % 12] + std::to_string(pitch / 12 - 1);
}

std::string instrumentOf(int program, int channel) {
    switch (program) {
    case 47:
        return "timpani";
    case 56:
        return "trumpet";
    case 57:
        return "trombone";
    case 58:
        return "tuba";
    case 60:
        return "horn";
    case 61:
        return "brass";
    default:
        return "channel " + std::to_string(channel + 1);
    }
}

// Every channel's notes on a grid fine enough for triplets and semiquavers,
// so that abc2midi's one-tick gaps neither part nor overlap neighbours; a
// channel that sounds chords becomes one line per rank from the top. A chord
// abc2midi spreads over a few ticks counts from its first note.
std::vector<Line> linesOf(const Smf& smf) {
    const std::uint32_t grid = std::max(1, smf.division / 24);
    const auto snap = [&](std::uint32_t t) { return (t + grid / 2) / grid * grid; };
    std::map<int, std::vector<std::vector<SmfNote>>> chords; // channel → notes at each onset
    for (SmfNote n : notesOf(smf)) {
        auto& list = chords[n.channel];
        const bool spread = !list.empty() && n.on < list.back().front().on + 2 * grid;
        n.on = spread ? list.back().front().on : snap(n.on);
        n.off = std::max(n.on + grid, snap(n.off));
        if (!spread)
            list.emplace_back();
        list.back().push_back(n);
    }
    for (auto& [channel, onsets] : chords)
        for (auto& chord : onsets)
            std::sort(chord.begin(), chord.end(), [](const SmfNote& a, const SmfNote& b) { return a.pitch > b.pitch; });
    std::vector<Line> lines;
    std::map<std::string, int> named;
    for (auto& [channel, onsets] : chords) {
        std::size_t ranks = 0;
        for (const auto& chord : onsets)
            ranks = std::max(ranks, chord.size());
        const int program = programOf(smf, channel);
        for (std::size_t r = 0; r < ranks; ++r) {
            Line line;
            line.channel = channel;
            line.name = instrumentOf(program, channel);
            line.role = channel == 9 ? Role::Percussion : program == 47 ? Role::Timpani : Role::Part;
            for (const auto& chord : onsets)
                if (r < chord.size())
                    line.notes.push_back(chord[r]);
            for (std::size_t i = 0; i + 1 < line.notes.size(); ++i)
                line.notes[i].off = std::min(line.notes[i].off, line.notes[i + 1].on);
            ++named[line.name];
            lines.push_back(std::move(line));
        }
    }
    if (!lines.empty())
        lines.front().role = Role::Melody; // the first voice, from the top
    std::map<std::string, int> numbered;
    for (Line& line : lines)
        if (named[line.name] > 1)
            line.name += " " + std::to_string(++numbered[line.name]);
    return lines;
}

bool harmonic(const Line& l) {
    return l.role == Role::Melody || l.role == Role::Part;
}

const SmfNote* soundingAt(const Line& line, std::uint32_t tick) {
    for (const SmfNote& n : line.notes)
        if (n.on <= tick && tick < n.off)
            return &n;
    return nullptr;
}

// The note a voice is on at `tick`, or the last one it played if it has been
// silent no longer than `bridge`: a short breath does not hide a parallel.
const SmfNote* heldAt(const Line& line, std::uint32_t tick, std::uint32_t bridge) {
    const SmfNote* last = nullptr;
    for (const SmfNote& n : line.notes) {
        if (n.on > tick)
            break;
        last = &n;
    }
    return last && tick < last->off + bridge ? last : nullptr;
}

const SmfNote* nextAfter(const Line& line, const SmfNote& note, std::uint32_t bridge) {
    const auto at = std::find_if(line.notes.begin(), line.notes.end(), [&](const SmfNote& n) { return &n == &note; });
    return at + 1 != line.notes.end() && (at + 1)->on < note.off + bridge ? &*(at + 1) : nullptr;
}

class Checker {
public:
    Checker(const Smf& smf, const Score& score, std::vector<Line> lines)
        : smf_(smf), grid_(smf, score.upbeat), lines_(std::move(lines)) {
        for (const Line& l : lines_)
            if (l.role != Role::Percussion)
                for (const SmfNote& n : l.notes) {
                    onsets_.insert(n.on);
                    end_ = std::max(end_, n.off);
                }
    }

    void run() {
        parallels();
        dissonances();
        parts();
        timpani();
        melodyOnTop();
        thirds();
        dynamics();
    }

    void figures() const;
    const std::vector<std::pair<std::uint32_t, std::string>>& findings() const { return findings_; }
    const BarGrid& grid() const { return grid_; }

private:
    std::uint32_t beat() const { return smf_.division; }

    void report(std::uint32_t tick, const std::string& what) { findings_.emplace_back(tick, what); }

    std::vector<Sounding> soundingAll(std::uint32_t tick) const {
        std::vector<Sounding> s;
        for (const Line& l : lines_)
            if (harmonic(l))
                if (const SmfNote* n = soundingAt(l, tick))
                    s.push_back({&l, n});
        return s;
    }

    std::optional<Sounding> bassAt(std::uint32_t tick) const {
        std::optional<Sounding> bass;
        for (const Sounding& s : soundingAll(tick))
            if (!bass || s.note->pitch < bass->note->pitch)
                bass = s;
        return bass;
    }

    void parallels() {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            for (std::size_t j = i + 1; j < lines_.size(); ++j)
                if (harmonic(lines_[i]) && harmonic(lines_[j]))
                    parallelsOf(lines_[i], lines_[j]);
    }

    void parallelsOf(const Line& a, const Line& b) {
        std::set<std::uint32_t> ticks;
        for (const SmfNote& n : a.notes)
            ticks.insert(n.on);
        for (const SmfNote& n : b.notes)
            ticks.insert(n.on);
        const SmfNote *pa = nullptr, *pb = nullptr;
        for (std::uint32_t t : ticks) {
            const SmfNote* na = heldAt(a, t, beat());
            const SmfNote* nb = heldAt(b, t, beat());
            if (!na || !nb) { // one moved on while the other was silent: no succession
                pa = pb = nullptr;
                continue;
            }
            if (pa && pb && na != pa && nb != pb) {
                const int before = std::abs(pa->pitch - pb->pitch), after = std::abs(na->pitch - nb->pitch);
                const bool perfect = before % 12 == after % 12 && (after % 12 == 0 || after % 12 == 7);
                const bool moved = pa->pitch % 12 != na->pitch % 12 || pb->pitch % 12 != nb->pitch % 12;
                if (perfect && moved) {
                    const bool contrary = (na->pitch - pa->pitch > 0) != (nb->pitch - pb->pitch > 0);
                    report(t, std::string(after % 12 ? "fifths" : "octaves") +
                                  (contrary ? " by contrary motion" : " in parallel") + ", " + a.name + " and " +
                                  b.name + " (" + pitchName(pa->pitch) + "/" + pitchName(pb->pitch) + " to " +
                                  pitchName(na->pitch) + "/" + pitchName(nb->pitch) + ")");
                }
            }
            pa = na;
            pb = nb;
        }
    }

    bool movesByStep(const Line& line, const SmfNote& note) const {
        const SmfNote* next = nextAfter(line, note, beat());
        return next && std::abs(next->pitch - note.pitch) >= 1 && std::abs(next->pitch - note.pitch) <= 2;
    }

    // Struck again over a new bass that takes the clash away: an anticipation.
    bool anticipates(const Line& line, const SmfNote& note) const {
        const SmfNote* next = nextAfter(line, note, beat());
        const auto bass = next ? bassAt(next->on) : std::nullopt;
        return bass && next->pitch == note.pitch && (note.pitch - bass->note->pitch) % 12 != 1 &&
               (note.pitch - bass->note->pitch) % 12 != 11;
    }

    // A minor second or major seventh over the bass is heard as a clash unless
    // the voice that moves first moves by step, or the upper one anticipates.
    void dissonances() {
        std::set<std::pair<const SmfNote*, const SmfNote*>> seen;
        for (std::uint32_t t : onsets_) {
            const auto bass = bassAt(t);
            if (!bass)
                continue;
            for (const Sounding& s : soundingAll(t)) {
                const int interval = s.note->pitch - bass->note->pitch;
                if (s.line == bass->line || interval <= 0 || (interval % 12 != 1 && interval % 12 != 11) ||
                    !seen.insert({s.note, bass->note}).second)
                    continue;
                const bool upperFirst = s.note->off <= bass->note->off, bassFirst = bass->note->off <= s.note->off;
                if ((upperFirst && (movesByStep(*s.line, *s.note) || anticipates(*s.line, *s.note))) ||
                    (bassFirst && movesByStep(*bass->line, *bass->note)))
                    continue;
                report(t, pitchName(s.note->pitch) + " (" + s.line->name + ") over " + pitchName(bass->note->pitch) +
                              " (" + bass->line->name + ") does not resolve by step");
            }
        }
    }

    void parts() {
        for (const Line& line : lines_) {
            if (line.role != Role::Part)
                continue;
            for (const SmfNote& n : line.notes) {
                const SmfNote* next = nextAfter(line, n, beat());
                if (!next)
                    continue;
                const int leap = std::abs(next->pitch - n.pitch);
                if (leap == 6 || leap == 10 || leap == 11 || leap > 12)
                    report(next->on, line.name + " leaps " + pitchName(n.pitch) + " to " + pitchName(next->pitch));
                const auto bass = bassAt(n.off - 1);
                if (!bass || bass->line == &line || leap <= 2)
                    continue;
                const int interval = (n.pitch - bass->note->pitch) % 12;
                if (n.pitch > bass->note->pitch && (interval == 6 || interval == 10))
                    report(next->on, line.name + " leaves " + pitchName(n.pitch) + ", a " +
                                         (interval == 6 ? "tritone" : "seventh") + " over " +
                                         pitchName(bass->note->pitch) + ", by a leap to " + pitchName(next->pitch));
            }
        }
    }

    void timpani() {
        for (const Line& line : lines_) {
            if (line.role != Role::Timpani)
                continue;
            for (const SmfNote& n : line.notes) {
                std::set<int> chord;
                for (const Sounding& s : soundingAll(n.on))
                    chord.insert(s.note->pitch % 12);
                if (!chord.empty() && !chord.contains(n.pitch % 12))
                    report(n.on, "timpani " + pitchName(n.pitch) + " outside the sounding chord");
            }
        }
    }

    void melodyOnTop() {
        std::set<const SmfNote*> seen;
        const Line& melody = lines_.front();
        for (std::uint32_t t : onsets_) {
            const SmfNote* top = soundingAt(melody, t);
            if (!top)
                continue;
            for (const Sounding& s : soundingAll(t))
                if (s.note->pitch > top->pitch && seen.insert(s.note).second)
                    report(t, s.line->name + " " + pitchName(s.note->pitch) + " above the melody's " +
                                  pitchName(top->pitch));
        }
    }

    // Open fifths and octaves leave the listener guessing the chord: for a bar
    // with no third anywhere in the band, or for two under the melody.
    void thirds() {
        struct Run {
            std::uint32_t start = 0, length = 0;
        } band, under;
        const auto close = [&](Run& run, int bars, const char* where) {
            const int bar = std::max(1, grid_.barOf(run.start));
            if (run.length >= grid_.barTicks(bar) * std::uint32_t(bars))
                report(run.start,
                       std::string("no third ") + where + " for " + std::to_string(run.length / beat()) + " beats");
            run.length = 0;
        };
        const auto hollow = [](const std::set<int>& pcs) {
            for (int a : pcs)
                for (int b : pcs)
                    if ((b - a + 12) % 12 == 3 || (b - a + 12) % 12 == 4)
                        return false;
            return true;
        };
        for (auto it = onsets_.begin(); it != onsets_.end(); ++it) {
            const auto next = std::next(it);
            const std::uint32_t length = (next == onsets_.end() ? end_ : *next) - *it;
            std::set<int> parts, all;
            int count = 0;
            for (const Sounding& s : soundingAll(*it)) {
                all.insert(s.note->pitch % 12);
                if (s.line->role == Role::Part) {
                    parts.insert(s.note->pitch % 12);
                    ++count;
                }
            }
            if (count < 2)
                continue;
            for (auto [run, pcs, bars, where] :
                 {std::tuple{&band, &all, 1, "in the band"}, std::tuple{&under, &parts, 2, "under the melody"}}) {
                if (!hollow(*pcs)) {
                    close(*run, bars, where);
                    continue;
                }
                if (run->length == 0)
                    run->start = *it;
                run->length += length;
            }
        }
        close(band, 1, "in the band");
        close(under, 2, "under the melody");
    }

    void dynamics() {
        std::map<int, std::vector<std::pair<std::uint32_t, int>>> curves;
        for (const Line& l : lines_)
            curves[l.channel];
        for (const auto& track : smf_.tracks)
            for (const SmfEvent& e : track)
                if ((e.bytes[0] & 0xF0) == 0xB0 && e.bytes[1] == 11 && curves.contains(e.bytes[0] & 0x0F))
                    curves[e.bytes[0] & 0x0F].emplace_back(e.tick, e.bytes[2]);
        const auto& first = curves.begin()->second;
        if (first.empty())
            return report(0, "no dynamics");
        for (const auto& [channel, curve] : curves)
            if (curve != first)
                return report(0, "channel " + std::to_string(channel + 1) + " has other dynamics than the melody");
        const auto [low, high] = std::minmax_element(first.begin(), first.end(),
                                                     [](const auto& a, const auto& b) { return a.second < b.second; });
        if (high->second - low->second < 14)
            report(0, "dynamics without a rise and fall");
        const std::uint32_t lastOnset = *onsets_.rbegin();
        int closing = first.front().second;
        for (const auto& [tick, level] : first)
            if (tick <= lastOnset)
                closing = level;
        if (closing < 110) // softer than forte
            report(lastOnset, "a soft close (expression " + std::to_string(closing) + ")");
    }

    const Smf& smf_;
    BarGrid grid_;
    std::vector<Line> lines_;
    std::set<std::uint32_t> onsets_;
    std::uint32_t end_ = 0;
    std::vector<std::pair<std::uint32_t, std::string>> findings_;
};

// The chord that best explains the weighted pitch classes, the bass's one
// standing for the root: triads and sevenths, a seventh no other chord than its triad.
struct Chord {
    int root = -1, kind = -1;
    std::vector<int> tones;
};

Chord chordOf(const double (&weight)[12], int bass, double unit) {
    static const std::vector<std::pair<std::vector<int>, int>> shapes{
        {{0, 4, 7}, 0}, {{0, 3, 7}, 1}, {{0, 4, 7, 10}, 0}, {{0, 3, 7, 10}, 1}, {{0, 3, 6}, 2}, {{0, 3, 6, 9}, 2}};
    Chord best;
    double bestScore = 0;
    for (int root = 0; root < 12; ++root)
        for (const auto& [shape, kind] : shapes) {
            double score = -0.1 * double(shape.size()) * unit + (bass == root ? 0.5 * unit : 0);
            for (int pc = 0; pc < 12; ++pc) {
                const bool in = std::find(shape.begin(), shape.end(), (pc - root + 12) % 12) != shape.end();
                score += in ? weight[pc] : -weight[pc];
            }
            if (score > bestScore) {
                bestScore = score;
                best = {root, kind, {}};
                for (int i : shape)
                    best.tones.push_back((root + i) % 12);
            }
        }
    return best;
}

// How often the chord changes, beat by beat, and how many melody notes lie
// outside the chord sounding as they start.
void Checker::figures() const {
    Chord previous;
    int changes = 0;
    for (int bar = 0; bar <= grid_.bars(); ++bar) {
        const std::uint32_t step = grid_.beatTicks(bar);
        const std::uint32_t from = bar == 0 ? 0 : grid_.tickOf(bar, 1);
        const std::uint32_t to = bar == grid_.bars() ? end_ : grid_.tickOf(bar + 1, 1);
        for (std::uint32_t s = from; s + step / 2 < to; s += step) {
            double weight[12] = {};
            for (const Line& l : lines_)
                if (harmonic(l))
                    for (const SmfNote& n : l.notes)
                        if (n.on < s + step && n.off > s)
                            weight[n.pitch % 12] += std::min(n.off, s + step) - std::max(n.on, s);
            const auto bass = bassAt(s);
            const Chord chord = chordOf(weight, bass ? bass->note->pitch % 12 : -1, step);
            if (chord.root < 0)
                continue;
            if (previous.root >= 0 && (chord.root != previous.root || chord.kind != previous.kind))
                ++changes;
            previous = chord;
        }
    }
    int counted = 0, outside = 0;
    for (const SmfNote& n : lines_.front().notes) {
        double weight[12] = {};
        int under = 0;
        for (const Sounding& s : soundingAll(n.on)) {
            weight[s.note->pitch % 12] += s.line == &lines_.front() ? 0.5 : 1;
            under += s.line != &lines_.front();
        }
        const auto bass = bassAt(n.on);
        const Chord chord = chordOf(weight, bass ? bass->note->pitch % 12 : -1, 1);
        if (!under || chord.root < 0)
            continue;
        ++counted;
        outside += std::find(chord.tones.begin(), chord.tones.end(), n.pitch % 12) == chord.tones.end();
    }
    std::printf("%.2f chord changes a bar over %d bars; %d of %d melody notes (%.1f %%) outside the chord\n",
                double(changes) / std::max(1, grid_.bars()), grid_.bars(), outside, counted,
                100.0 * outside / std::max(1, counted));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: harmony_check SCORE.abc BUILT.mid [--figures]\n");
        return 2;
    }
    Score score;
    Smf smf;
    std::string why;
    if (!readScore(argv[1], score, why) || !readSmf(argv[2], smf, why)) {
        std::fprintf(stderr, "harmony_check: %s: %s\n", argv[2], why.c_str());
        return 2;
    }
    auto lines = linesOf(smf);
    if (lines.empty()) {
        std::fprintf(stderr, "harmony_check: %s: no notes\n", argv[2]);
        return 2;
    }
    Checker checker(smf, score, std::move(lines));
    checker.run();
    if (argc > 3 && std::string(argv[3]) == "--figures")
        checker.figures();
    auto findings = checker.findings();
    std::stable_sort(findings.begin(), findings.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [tick, what] : findings)
        std::printf("%s: %s: %s\n", argv[1], checker.grid().where(tick).c_str(), what.c_str());
    return findings.empty() ? 0 : 1;
}
