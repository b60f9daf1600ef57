#include "app/fanbord.h"
#include "version.h"

namespace fanbord {

namespace {

// The two credit lines; the about box shows the carriage return as a line break.
std::string creditText() {
    return std::string("Fanbord ") + kVersion + " \xE2\x80\x93 trettio flaggor och deras nationalhymner" + '\r' +
           "Skrivet av Fanbords utvecklare; fel och f\xC3\xB6rslag tas emot i projektets \xC3\xA4rendelista";
}

} // namespace

void Fanbord::Info_Click() {
    ClickEffect(*w_.Info);
    const std::string credits = creditText();
    CurrentFile = tables.MediaFile[kDrumRoll];
    setCaptions("En virvel för", "Tolvander");
    StartPlay();
    AppAbout("Information om detta flaggprogram", credits);
    StopPlay();
}

void Fanbord::AppAbout(const std::string& szTitle, const std::string& szOtherInfo) {
    platform_.showAbout(szTitle, szOtherInfo);
}

} // namespace fanbord
