#pragma once
// The window object: all of the program's state, and its handlers and
// procedures. Each group of methods lives in the folder of its subsystem.
// Names that belong to the board keep its spelling, Swedish or English, over this code's style (Flagga_Click,
// Timer2_Timer, ShowTime, Kompis, HoistStep), so one name means one thing in the layout table, the logs and the tests.
#include "app/platform.h"
#include "catalogue/catalogue.h"
#include "media/media_graph.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fanbord {

class Fanbord final : public FormEvents {
public:
    explicit Fanbord(Platform& platform);
    ~Fanbord() override;

    // Start-up and shutdown (app/lifecycle.cpp)
    void Form_Load() override;
    void Form_Unload(std::int16_t& Cancel) override;
    void Quit_Click() override;

    // Catalogue (catalogue/init.cpp)
    void Init();

    // Media player and progress display (media/player.cpp, media/progress.cpp)
    void StartPlay();
    void StopPlay();
    void playTimer_Timer() override;
    void ShowTime(std::int16_t iDur);

    // Delay, press feedback, selection, about box (interaction/)
    void Sleep(double Seconds);
    void ClickEffect(Widget& widget);
    void PlayBlip();
    void Flagga_Click(std::int16_t Index) override;
    // Copies E's size from D at (XSrc, YSrc) to E at (X, Y).
    void InsertCopy(CopySource D, CopyTarget E, std::int16_t X, std::int16_t Y, std::int32_t XSrc, std::int32_t YSrc);
    void Info_Click() override;
    void AppAbout(const std::string& szTitle, const std::string& szOtherInfo);

    // Opening ceremony (ceremony/parade.cpp)
    void Parade();
    void Timer2_Timer() override;

    // Window-wide state.
    std::string AppPath;     // the program folder, ending in its separator
    bool AutoPlay = false;   // a tile click plays its anthem; off during the ceremony
    Catalogue tables;        // names, media files and cloth positions, filled by Init
    std::string CurrentFile; // the media file StartPlay plays next or last played
    // The graph of the piece playing or last played: it runs and stops the
    // piece and tells its length and position. Replacing it silences it.
    std::unique_ptr<MediaGraph> Player;
    bool Playing = false;         // the progress tick watches for the piece's end
    std::int16_t CurrentFlag = 0; // the tile last clicked
    std::int16_t HoistStep = 0;   // ticks of the flag's climb so far

private:
    void releasePlayer();
    void setCaptions(const std::string& line0, const std::string& line1);
    void waitForPieceEnd();

    Platform& platform_;
    const Widgets& w_;
};

// The program folder with exactly one trailing separator, the platform's,
// unless it already ends in one (a root such as "C:\" or "/"). Backslashes and
// colons are ordinary characters in a Unix folder name.
std::string appPathFrom(const std::string& folder, char separator);

// Round half to even, saturating at the 16-bit range instead of wrapping.
std::int16_t roundToInt16(double value);

} // namespace fanbord
