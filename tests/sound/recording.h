#pragma once
// What a sound server really played: the monitor of its sink recorded through
// parec, and compared with the offline render of the same piece.
#include <chrono>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace fanbord::sound {

using Clock = std::chrono::steady_clock;

// Records the default source (the sink's monitor) as float stereo, noting when
// each block arrived: a sink renders ahead of time, so a block's arrival, not
// its place in the recording, is when its sound would reach the speaker.
class Recorder {
public:
    explicit Recorder(int rate);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool running() const { return pid_ > 0; }
    // Frames recorded so far.
    std::size_t frames() const;
    // When the first frame at or after `from` louder than `level` arrived; false if none has.
    bool firstSound(std::size_t from, float level, Clock::time_point& at, std::size_t& frame) const;
    // Ends the recording; returns it, interleaved stereo.
    std::vector<float> stop();

private:
    void read(int fd);
    pid_t pid_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::vector<float> samples_;
    std::vector<std::pair<std::size_t, Clock::time_point>> arrivals_; // frames so far, when
};

struct Comparison {
    double renderSeconds = 0, recordingSeconds = 0; // first to last audible sample
    std::vector<std::pair<double, double>> gaps;    // silences the render lacks: where (s), how long (ms)
    double envelopeCorrelation = 0;                 // of 10 ms RMS envelopes, aligned
    bool ok() const;
    std::string describe() const;
};

// Aligns the recording on the render and compares them.
Comparison compare(const std::vector<float>& render, const std::vector<float>& recording, int rate);

// Index of the first frame louder than `level`, or the frame count.
std::size_t firstAudible(const std::vector<float>& stereo, float level);

} // namespace fanbord::sound
