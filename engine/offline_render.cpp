#include "engine/offline_render.h"

#include <algorithm>

namespace fanbord {

bool renderOffline(const EngineOptions& options, const std::string& path, double tailSeconds, OfflineRender& out,
                   std::string& why) {
    EngineOptions offline = options;
    offline.offline = true;
    AudioEngine engine(offline);
    auto graph = engine.createGraph();
    if (!graph->renderFile(path, why) || !graph->run(why))
        return false;
    out.seconds = graph->duration();
    const auto frames = std::size_t((out.seconds + tailSeconds) * engine.rate());
    out.samples.assign(2 * frames, 0.0f);
    constexpr std::size_t kBuffer = 1024;
    for (std::size_t done = 0; done < frames; done += kBuffer)
        engine.render(out.samples.data() + 2 * done, std::min(kBuffer, frames - done));
    return true;
}

} // namespace fanbord
