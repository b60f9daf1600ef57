#include "recording.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fanbord::sound {

namespace {

// A 16-bit sink turns anything below half a step into digital silence.
constexpr float kQuiet = 1.5f / 32768;
constexpr float kAudible = 8.0f / 32768;

float frameLevel(const std::vector<float>& s, std::size_t frame) {
    return std::max(std::abs(s[2 * frame]), std::abs(s[2 * frame + 1]));
}

std::size_t lastAudible(const std::vector<float>& s, float level) {
    for (std::size_t i = s.size() / 2; i-- > 0;)
        if (frameLevel(s, i) > level)
            return i;
    return 0;
}

// The recording's frame `i` shows the render's frame `i - lag`: the lag near
// `around` that makes the two agree best over the half second from `from`.
long bestLag(const std::vector<float>& render, const std::vector<float>& rec, std::size_t from, long lo, long hi) {
    const std::size_t span = 22050;
    long best = lo;
    double bestError = INFINITY;
    for (long lag = lo; lag <= hi; ++lag) {
        double error = 0;
        std::size_t n = 0;
        for (std::size_t i = from; i < from + span && 2 * i + 1 < rec.size(); i += 2) {
            const long j = long(i) - lag;
            if (j < 0 || 2 * std::size_t(j) + 1 >= render.size())
                continue;
            error += std::abs(rec[2 * i] - render[2 * std::size_t(j)]);
            ++n;
        }
        if (n > 0 && error / double(n) < bestError) {
            bestError = error / double(n);
            best = lag;
        }
    }
    return best;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    if (n < 2)
        return 0;
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= double(n);
    mb /= double(n);
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace

std::size_t firstAudible(const std::vector<float>& s, float level) {
    for (std::size_t i = 0; i < s.size() / 2; ++i)
        if (frameLevel(s, i) > level)
            return i;
    return s.size() / 2;
}

Comparison compare(const std::vector<float>& render, const std::vector<float>& rec, int rate) {
    Comparison c;
    const std::size_t renderStart = firstAudible(render, kAudible), recStart = firstAudible(rec, kAudible);
    if (renderStart * 2 >= render.size() || recStart * 2 >= rec.size())
        return c; // one of them is silent: nothing lines up
    const std::size_t renderEnd = lastAudible(render, kAudible), recEnd = lastAudible(rec, kAudible);
    c.renderSeconds = double(renderEnd - renderStart) / rate;
    c.recordingSeconds = double(recEnd - recStart) / rate;

    const long onsetLag = long(recStart) - long(renderStart);
    const long firstLag = bestLag(render, rec, recStart, onsetLag - 64, onsetLag + 64);
    long lag = firstLag;

    // Silent runs in the recording where the render sounds. After one, the
    // rest may come late by the gap's length: align afresh.
    const std::size_t shortest = std::size_t(0.005 * rate), margin = std::size_t(0.001 * rate);
    for (std::size_t i = recStart; i < recEnd;) {
        if (frameLevel(rec, i) > kQuiet) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < recEnd && frameLevel(rec, end) <= kQuiet)
            ++end;
        if (end - i >= shortest) {
            float renderLevel = 0;
            for (std::size_t k = i + margin; k + margin < end; ++k) {
                const long j = long(k) - lag;
                if (j >= 0 && 2 * std::size_t(j) + 1 < render.size())
                    renderLevel = std::max(renderLevel, frameLevel(render, std::size_t(j)));
            }
            if (renderLevel > 4 * kQuiet) {
                c.gaps.emplace_back(double(i - recStart) / rate, double(end - i) * 1000.0 / rate);
                lag = bestLag(render, rec, end, lag - 64, lag + long(end - i) + 64);
            }
        }
        i = end;
    }

    // Envelopes in 10 ms windows, over the render's audible span.
    const std::size_t window = std::size_t(rate) / 100;
    std::vector<double> a, b;
    for (std::size_t w = renderStart; w + window <= renderEnd; w += window) {
        double ea = 0, eb = 0;
        for (std::size_t k = w; k < w + window; ++k) {
            ea += double(frameLevel(render, k)) * frameLevel(render, k);
            const long r = long(k) + firstLag; // a gap shifts what follows: a worse match
            if (r >= 0 && 2 * std::size_t(r) + 1 < rec.size())
                eb += double(frameLevel(rec, std::size_t(r))) * frameLevel(rec, std::size_t(r));
        }
        a.push_back(std::sqrt(ea / double(window)));
        b.push_back(std::sqrt(eb / double(window)));
    }
    c.envelopeCorrelation = correlation(a, b);
    return c;
}

bool Comparison::ok() const {
    return std::abs(recordingSeconds - renderSeconds) <= 0.2 && gaps.empty() && envelopeCorrelation >= 0.95;
}

std::string Comparison::describe() const {
    char line[160];
    std::snprintf(line, sizeof line, "render %.3f s, recording %.3f s, envelope correlation %.4f, %zu gap(s)",
                  renderSeconds, recordingSeconds, envelopeCorrelation, gaps.size());
    std::string s = line;
    for (std::size_t i = 0; i < gaps.size() && i < 6; ++i) {
        std::snprintf(line, sizeof line, "; %.1f ms at %.3f s", gaps[i].second, gaps[i].first);
        s += line;
    }
    return s;
}

Recorder::Recorder(int rate) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const std::string rateArg = "--rate=" + std::to_string(rate);
    // Short fragments: a block arrives soon after it was played.
    const char* argv[] = {"parec", "--raw", "--format=float32le", "--channels=2", rateArg.c_str(), "--latency-msec=5",
                          nullptr};
    if (posix_spawnp(&pid_, "parec", &actions, nullptr, const_cast<char**>(argv), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (pid_ <= 0) {
        close(fds[0]);
        return;
    }
    reader_ = std::thread([this, fd = fds[0]] { read(fd); });
}

Recorder::~Recorder() {
    stop();
}

void Recorder::read(int fd) {
    std::vector<char> pending;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        const auto now = Clock::now();
        pending.insert(pending.end(), buffer, buffer + got);
        const std::size_t whole = pending.size() / 8 * 8;
        std::lock_guard lock(mutex_);
        const std::size_t at = samples_.size();
        samples_.resize(at + whole / 4);
        std::memcpy(samples_.data() + at, pending.data(), whole);
        pending.erase(pending.begin(), pending.begin() + long(whole));
        arrivals_.emplace_back(samples_.size() / 2, now);
    }
    close(fd);
}

std::size_t Recorder::frames() const {
    std::lock_guard lock(mutex_);
    return samples_.size() / 2;
}

bool Recorder::firstSound(std::size_t from, float level, Clock::time_point& at, std::size_t& frame) const {
    std::lock_guard lock(mutex_);
    for (std::size_t i = from; i < samples_.size() / 2; ++i) {
        if (frameLevel(samples_, i) <= level)
            continue;
        const auto block = std::upper_bound(arrivals_.begin(), arrivals_.end(), i,
                                            [](std::size_t f, const auto& a) { return f < a.first; });
        frame = i;
        at = block->second;
        return true;
    }
    return false;
}

std::vector<float> Recorder::stop() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    if (reader_.joinable())
        reader_.join();
    std::lock_guard lock(mutex_);
    return samples_;
}

} // namespace fanbord::sound
