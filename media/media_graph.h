#pragma once
// The media framework as the program sees it: a graph that plays one file and
// reports its length and position. Standard library only, so that any engine
// (ours on FluidSynth/SDL, a native one, a scripted one in tests) can stand here.
#include <memory>
#include <string>

namespace fanbord {

class MediaGraph {
public:
    virtual ~MediaGraph() = default; // destroying a graph silences it at once

    // Builds the chain for a MIDI or WAV file. False, with a reason, when the
    // file is missing or cannot be played.
    virtual bool renderFile(const std::string& path, std::string& why) = 0;
    // Starts playback in the background and returns at once.
    virtual bool run(std::string& why) = 0;
    // Silences the piece; the graph stays usable for reading.
    virtual void stop() = 0;
    // Seconds. Position starts at 0, only rises, and is not below the
    // duration once the piece has played to its end.
    virtual double duration() const = 0;
    virtual double currentPosition() const = 0;
};

class MediaFramework {
public:
    virtual ~MediaFramework() = default;
    // A fresh graph, or null when the framework cannot provide one.
    virtual std::unique_ptr<MediaGraph> createGraph() = 0;
    // Plays a WAV file and returns only when it has finished; a file that
    // cannot be played gives a built-in default sound instead.
    virtual void playBlocking(const std::string& path) = 0;
};

} // namespace fanbord
