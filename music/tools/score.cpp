#include "score.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace fanbord {

namespace {

bool fail(std::string& why, const std::string& reason) {
    why = reason;
    return false;
}

double fraction(const std::string& text, double otherwise) {
    int num = 0, den = 0;
    char slash = 0;
    std::istringstream in(text);
    return in >> num >> slash >> den && slash == '/' && den > 0 ? double(num) / den : otherwise;
}

// A note's or rest's length after its letter: "3", "/", "3/2", "//", in units of L:.
double lengthAt(const std::string& s, std::size_t& i) {
    double num = 0;
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        num = num * 10 + (s[i++] - '0');
        digits = true;
    }
    if (!digits)
        num = 1;
    double den = 1;
    if (i < s.size() && s[i] == '/') {
        int slashes = 0;
        while (i < s.size() && s[i] == '/') {
            ++slashes;
            ++i;
        }
        double d = 0;
        bool given = false;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            d = d * 10 + (s[i++] - '0');
            given = true;
        }
        den = given ? d : std::pow(2.0, slashes);
    }
    return num / den;
}

// The time before the first bar line of the music in `s`, in units of L:.
double beforeFirstBar(const std::string& s) {
    double total = 0, last = 0, nextFactor = 1, tupletFactor = 1;
    int tupletNotes = 0;
    const auto skipTo = [&](std::size_t& i, char close) {
        const auto at = s.find(close, i + 1);
        i = at == std::string::npos ? s.size() : at + 1;
    };
    const auto add = [&](double length) {
        double l = length * nextFactor;
        nextFactor = 1;
        if (tupletNotes > 0) {
            l *= tupletFactor;
            --tupletNotes;
        }
        total += l;
        last = l;
    };
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '|')
            break;
        if (c == '"' || c == '!' || c == '+') {
            skipTo(i, c);
        } else if (c == '{') {
            skipTo(i, '}');
        } else if (c == '[' && i + 2 < s.size() && std::isalpha(static_cast<unsigned char>(s[i + 1])) &&
                   s[i + 2] == ':') {
            skipTo(i, ']');
        } else if (c == '[') { // a chord lasts as long as its first note
            const auto close = s.find(']', i);
            if (close == std::string::npos)
                break;
            std::size_t j = i + 1;
            while (j < close && !std::isalpha(static_cast<unsigned char>(s[j])))
                ++j;
            ++j;
            while (j < close && (s[j] == ',' || s[j] == '\''))
                ++j;
            const double first = lengthAt(s, j);
            i = close + 1;
            add(first * lengthAt(s, i));
        } else if (c == '(' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
            int p = s[i + 1] - '0', q = 0, r = 0;
            i += 2;
            if (i < s.size() && s[i] == ':') {
                ++i;
                if (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                    q = s[i++] - '0';
                if (i < s.size() && s[i] == ':') {
                    ++i;
                    if (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
                        r = s[i++] - '0';
                }
            }
            if (q == 0)
                q = p == 2 || p == 4 || p == 8 ? 3 : 2;
            tupletFactor = double(q) / p;
            tupletNotes = r ? r : p;
        } else if (c == '>' || c == '<') {
            int n = 0;
            while (i < s.size() && s[i] == c) {
                ++n;
                ++i;
            }
            const double small = std::pow(0.5, n);
            const double before = c == '>' ? 2 - small : small;
            total += last * (before - 1);
            nextFactor = c == '>' ? small : 2 - small;
        } else if (std::strchr("ABCDEFGabcdefgzx", c) && c != '\0') {
            ++i;
            while (i < s.size() && (s[i] == ',' || s[i] == '\''))
                ++i;
            add(lengthAt(s, i));
        } else {
            ++i; // accidentals, ties, slurs, spaces, decorations of one letter
        }
    }
    return total;
}

const std::map<std::string, int> kLevels{{"pp", 64}, {"p", 76}, {"mp", 88}, {"mf", 100}, {"f", 114}, {"ff", 127}};

bool readDynamics(const std::string& text, std::vector<DynamicMark>& marks, std::string& why) {
    std::istringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        std::istringstream in(item);
        std::string at, level;
        if (!(in >> at >> level) || !kLevels.contains(level))
            return fail(why, "unreadable dynamics mark \"" + item + "\"");
        DynamicMark mark{0, 1, kLevels.at(level), level};
        const auto colon = at.find(':');
        try {
            mark.bar = std::stoi(at.substr(0, colon));
            if (colon != std::string::npos)
                mark.beat = std::stod(at.substr(colon + 1));
        } catch (const std::exception&) {
            return fail(why, "unreadable dynamics position \"" + at + "\"");
        }
        if (!marks.empty() && std::pair(mark.bar, mark.beat) <= std::pair(marks.back().bar, marks.back().beat))
            return fail(why, "dynamics marks out of order at \"" + at + "\"");
        marks.push_back(mark);
    }
    return true;
}

} // namespace

bool readScore(const std::string& path, Score& score, std::string& why) {
    std::ifstream in(path);
    if (!in)
        return fail(why, "cannot open " + path);
    score = {};
    double unit = 0.125, metre = 1;
    bool body = false, firstVoice = false, voices = false;
    std::string music;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("%%dynamics", 0) == 0 && !readDynamics(line.substr(10), score.dynamics, why))
            return false;
        if (line.empty() || line[0] == '%')
            continue;
        const bool field = line.size() > 1 && std::isalpha(static_cast<unsigned char>(line[0])) && line[1] == ':';
        if (field && line[0] == 'M')
            metre = line.substr(2).find('C') != std::string::npos ? 1 : fraction(line.substr(2), 1);
        if (field && line[0] == 'L')
            unit = fraction(line.substr(2), unit);
        if (field && line[0] == 'K')
            body = true;
        if (field && line[0] == 'V') {
            firstVoice = !voices;
            voices = true;
        }
        if (body && !field && (firstVoice || !voices))
            music += line + ' ';
    }
    if (music.empty())
        return fail(why, "no music in " + path);
    // A first bar as long as the metre is a whole bar, not an upbeat.
    double upbeat = beforeFirstBar(music) * unit;
    if (std::abs(upbeat - metre) < 1e-9)
        upbeat = 0;
    score.upbeat = upbeat * 4;
    return true;
}

BarGrid::BarGrid(const Smf& smf, double upbeat) {
    const auto signatures = timeSignaturesOf(smf);
    const auto signatureAt = [&](std::uint32_t tick) {
        auto s = signatures.front();
        for (const auto& t : signatures)
            if (t.tick <= tick)
                s = t;
        return s;
    };
    const auto bar = [&](std::uint32_t start) {
        const TimeSignature s = signatureAt(start);
        const std::uint32_t beat = smf.division * 4u / std::uint32_t(s.unit);
        return Bar{start, beat, beat * std::uint32_t(std::max(s.beats, 1))};
    };
    const auto first = std::uint32_t(std::lround(upbeat * smf.division));
    starts_.push_back({0, bar(0).beat, first});
    std::uint32_t end = 0;
    for (const SmfNote& n : notesOf(smf))
        end = std::max(end, n.off);
    for (std::uint32_t tick = first; tick < end || starts_.size() < 2;) {
        const auto next =
            std::find_if(signatures.begin(), signatures.end(), [&](const TimeSignature& s) { return s.tick > tick; });
        Bar b = bar(tick);
        if (next != signatures.end() && next->tick < tick + b.length)
            b.length = next->tick - tick; // a changed metre starts a bar
        starts_.push_back(b);
        tick += b.length;
    }
}

std::uint32_t BarGrid::tickOf(int bar, double beat) const {
    if (bar <= 0) // the upbeat bar ends where bar 1 starts
        return bar < 0 || starts_.size() < 2
                   ? 0
                   : std::uint32_t(std::max(0.0, double(starts_[1].start) -
                                                     (double(starts_[1].length) - (beat - 1) * starts_[1].beat)));
    const Bar& b = starts_[std::size_t(std::min(bar, bars()))];
    return b.start + std::uint32_t(std::lround((beat - 1) * b.beat));
}

int BarGrid::barOf(std::uint32_t tick) const {
    int bar = 0;
    for (std::size_t i = 1; i < starts_.size(); ++i)
        if (starts_[i].start <= tick)
            bar = int(i);
    return bar;
}

std::uint32_t BarGrid::beatTicks(int bar) const {
    return starts_[std::size_t(std::clamp(bar, 0, bars()))].beat;
}

std::uint32_t BarGrid::barTicks(int bar) const {
    return starts_[std::size_t(std::clamp(bar, 0, bars()))].length;
}

std::string BarGrid::where(std::uint32_t tick) const {
    const int bar = barOf(tick);
    double beat;
    if (bar == 0) {
        const Bar& one = starts_.size() > 1 ? starts_[1] : starts_[0];
        beat = 1 + (double(one.length) - double(starts_[0].length) + tick) / one.beat;
    } else {
        beat = 1 + double(tick - starts_[std::size_t(bar)].start) / starts_[std::size_t(bar)].beat;
    }
    std::ostringstream out;
    out << "bar " << bar << " beat " << std::round(beat * 100) / 100;
    return out.str();
}

} // namespace fanbord
