#pragma once
// A window on the simulated platform with every piece scripted.
#include "app/fanbord.h"
#include "app/sim/sim_platform.h"

#include <memory>
#include <string>
#include <vector>

namespace fanbord::test {

struct SimWindow {
    explicit SimWindow(sim::ArtLoader art = sim::syntheticArt)
        : platform(std::move(art),
                   [this] {
                       endedAt = platform.clock_.now();
                       soundingAtEnd = sounding();
                   }),
          form(platform) {
        platform.connect(form);
        const std::string folder = appPath();
        for (const Piece& p : kPieces)
            platform.scriptedMedia.setPiece(folder + std::string(p.fileName), 10.0);
        setPiece(kGivAkt, 3.0);
        setPiece(kParadmarsch, 60.0);
        setPiece(kI3Ik, 8.0);
    }
    std::string path(int piece) const { return appPath() + std::string(kPieces[piece].fileName); }
    void setPiece(int piece, double seconds) { platform.scriptedMedia.setPiece(path(piece), seconds); }
    void setUnplayable(int piece) { platform.scriptedMedia.setUnplayable(path(piece)); }
    // As every caller of the player does: name the piece, then start it.
    void startPiece(int piece) {
        form.CurrentFile = form.tables.MediaFile[piece];
        form.StartPlay();
    }
    // Start-up without the ceremony: the state Form_Load leaves when it is over.
    void readyWithoutCeremony() {
        form.AppPath = appPath();
        form.Init();
        form.AutoPlay = true;
    }
    std::string appPath() const { return appPathFrom(platform.folder, platform.separator); }
    const Widgets& w() const { return platform.widgets(); }
    std::vector<std::string> sounding() const { return platform.scriptedMedia.sounding(); }

    sim::SimPlatform platform;
    Fanbord form;
    // When the platform's end ran what main closes there, and what sounded then.
    double endedAt = -1;
    std::vector<std::string> soundingAtEnd;
};

// Virtual time advances in small steps inside waits, so instants are exact to a few steps.
inline bool near(double actual, double expected, double tolerance = 0.005) {
    return actual >= expected - 1e-9 && actual <= expected + tolerance;
}

// Ceremony length with the fixture's pieces: 3 + 4, 60 + 4, 8 + 4, then 1 s.
inline constexpr double kReadyAt = 3 + 4 + 60 + 4 + 8 + 4 + 1;

} // namespace fanbord::test
