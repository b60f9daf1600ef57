#include "app/fanbord.h"

#include <cstdio>

namespace fanbord {

void Fanbord::StartPlay() {
    std::string why = "the media framework is not available";
    Player = platform_.media().createGraph(); // the previous graph falls silent here
    bool ok = Player != nullptr;
    if (ok) {
        w_.playTimer->setEnabled(true);
        ok = Player->renderFile(CurrentFile, why) && Player->run(why);
    }
    if (!ok) {
        // Nothing is shown to the user, so say on stderr what ended the program.
        std::fprintf(stderr, "fanbord: cannot play \"%s\": %s\n", CurrentFile.c_str(), why.c_str());
        std::fflush(stderr);
        Quit_Click();
        return;
    }
    Playing = true;
}

void Fanbord::StopPlay() {
    if (!Player)
        return;
    w_.playTimer->setEnabled(false);
    Player->stop();
    setCaptions("", "");
}

void Fanbord::setCaptions(const std::string& line0, const std::string& line1) {
    w_.ShowInfo[0]->setCaption(line0);
    w_.ShowInfo[1]->setCaption(line1);
}

} // namespace fanbord
