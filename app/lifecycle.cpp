#include "app/fanbord.h"

namespace fanbord {

Fanbord::Fanbord(Platform& platform) : platform_(platform), w_(platform.widgets()) {}

Fanbord::~Fanbord() = default;

std::string appPathFrom(const std::string& folder) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder;
    // Windows-style folders keep their backslash, everything else gets a slash.
    const bool windowsStyle = folder.find('\\') != std::string::npos ||
                              (folder.size() >= 2 && folder[1] == ':');
    return folder + (windowsStyle ? '\\' : '/');
}

void Fanbord::Form_Load() {
    AppPath = appPathFrom(platform_.programFolder());
    Init();
    platform_.showWindow();
    AutoPlay = false;
    Parade();
    AutoPlay = true;
    Sleep(1.0);
    w_.Intro->setVisible(true);
    w_.Info->setVisible(true);
    w_.Quit->setVisible(true);
}

void Fanbord::releasePlayer() { Player.reset(); }

void Fanbord::Quit_Click() {
    ClickEffect(*w_.Quit);
    releasePlayer();
    platform_.unloadWindow();
}

void Fanbord::Form_Unload(std::int16_t& /*Cancel*/) {
    releasePlayer();
    platform_.endProgram();
}

} // namespace fanbord
