#pragma once
// A whole piece rendered offline, as the program would play it: what the
// tests and the bench listen to.
#include "engine/audio_engine.h"

#include <string>
#include <vector>

namespace fanbord {

struct OfflineRender {
    std::vector<float> samples; // interleaved stereo at the engine's rate
    double seconds = 0;         // the piece's own length, without the tail
};

// Renders `path` on an engine of its own, and `tailSeconds` after its end for
// the last notes' release and the room; false, with why, if it cannot play.
bool renderOffline(const EngineOptions& options, const std::string& path, double tailSeconds, OfflineRender& out,
                   std::string& why);

} // namespace fanbord
