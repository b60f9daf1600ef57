#pragma once
// The board in the state whose pictures the platforms are compared in: the
// controls shown, as once the ceremony is over, and the Swedish flag hoisted
// at the top of the pole by a click on its tile. Nothing plays.
#include "app/fanbord.h"

#include <initializer_list>

namespace fanbord::test {

class SilentMedia final : public MediaFramework {
public:
    std::unique_ptr<MediaGraph> createGraph() override { return nullptr; }
    void playBlocking(const std::string&) override {}
};

inline void hoistSwedishFlag(Platform& platform, Fanbord& form) {
    form.AppPath = appPathFrom(platform.programFolder(), platform.folderSeparator());
    form.Init();
    platform.showWindow();
    form.AutoPlay = false;
    form.Flagga_Click(kSverige);
    const Widgets& w = platform.widgets();
    for (Widget* shown : std::initializer_list<Widget*>{w.Intro, w.Info, w.Quit})
        shown->setVisible(true);
}

} // namespace fanbord::test
