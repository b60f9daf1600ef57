#include "app/fanbord.h"

namespace fanbord {

Fanbord::Fanbord(Platform& platform) : platform_(platform), w_(platform.widgets()) {}

Fanbord::~Fanbord() = default;

std::string appPathFrom(const std::string& folder, char separator) {
    if (!folder.empty() && (folder.back() == separator || folder.back() == '/'))
        return folder;
    return folder + separator;
}

void Fanbord::Form_Load() {
    AppPath = appPathFrom(platform_.programFolder(), platform_.folderSeparator());
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
