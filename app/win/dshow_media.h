#pragma once
// The media framework on Windows: a DirectShow filter graph per piece, and the
// system's blocking sound call for the short sounds.
#include "media/media_graph.h"

namespace fanbord::win {

class DShowMedia final : public MediaFramework {
public:
    std::unique_ptr<MediaGraph> createGraph() override;
    void playBlocking(const std::string& path) override;
};

} // namespace fanbord::win
