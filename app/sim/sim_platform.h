#pragma once
// A simulated platform for tests: a virtual clock, timers and scripted input
// in virtual time, scripted media, and pixel surfaces, so that every timed
// behaviour runs exactly and in milliseconds.
#include "app/layout.h"
#include "board/board_item.h"
#include "board/board_platform.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fanbord::sim {

// Thrown through the suspended handlers when the program ends.
struct ProgramEnded {};
// Thrown when virtual time passes the test's limit: a wait that never ends.
struct TimeLimitReached {};

struct Raster {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels; // 0xAARRGGBB
    Raster() = default;
    Raster(int w, int h, std::uint32_t fill) : width(w), height(h), pixels(std::size_t(w) * std::size_t(h), fill) {}
    std::uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    std::uint32_t& at(int x, int y) { return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

struct SimPicture final : Picture {
    explicit SimPicture(Raster r) : raster(std::move(r)) {}
    Raster raster;
};
const Raster* rasterOf(const PictureRef& picture);

using ArtLoader = std::function<Raster(layout::Art art, int index)>;
// Plain colours: a cyan board, and for tile i a grey frame around a cloth of
// colour tileClothColour(i).
Raster syntheticArt(layout::Art art, int index);
std::uint32_t tileClothColour(int index);

class SimPlatform;

class VirtualClock {
public:
    double now() const { return now_; } // seconds since the simulation began
    double timeOfDay() const;
    double startOfDay = 12 * 3600.0;
    double now_ = 0;
};

// Media whose pieces are scripted by the test: a duration per file, or
// unplayable; a piece plays in virtual time from `run` until `stop`.
class ScriptedMedia final : public MediaFramework {
public:
    explicit ScriptedMedia(VirtualClock& clock) : clock_(clock) {}
    static constexpr double kNeverEnds = std::numeric_limits<double>::infinity();

    void setPiece(const std::string& path, double seconds) { pieces_[path] = seconds; }
    void setUnplayable(const std::string& path) { pieces_.erase(path); }

    struct GraphRecord {
        std::string file;
        double ranAt = -1, stoppedAt = -1, releasedAt = -1;
    };
    const std::vector<GraphRecord>& graphs() const { return records_; }
    // Files whose graph is running and not yet stopped or released.
    std::vector<std::string> sounding() const;
    const std::vector<std::string>& blips() const { return blips_; }
    double blipSeconds = 0;
    bool frameworkMissing = false;

    std::unique_ptr<MediaGraph> createGraph() override;
    void playBlocking(const std::string& path) override;

private:
    friend class ScriptedGraph;
    VirtualClock& clock_;
    std::map<std::string, double> pieces_;
    std::vector<GraphRecord> records_;
    std::vector<std::string> blips_;
};

class SimImage;
class SimTimer;

// A windowless widget of the simulated board, which logs what changes.
class SimItem : public Placed {
public:
    SimItem(const layout::WidgetRow& row, std::vector<std::string>& log);
    virtual void paint(Raster& surface) const;

protected:
    void repaint(const PixelRect&) override {}
    void moved(const PixelRect& before) override;
    void shownOrHidden() override;

    std::vector<std::string>& log_;
    std::string name_;
};

class SimPlatform final : public BoardPlatform {
public:
    explicit SimPlatform(ArtLoader art = syntheticArt, std::function<void()> atEnd = {});
    ~SimPlatform() override;

    // Scripted input at virtual times (seconds since the simulation began).
    // The pointer acts on the board as a person's would: a click is a press and
    // a release at the point, and counts where both land on the same image.
    void at(double time, std::function<void()> action);
    void pointerDown(double time, int x, int y);
    void pointerUp(double time, int x, int y);
    void click(double time, int x, int y);
    void clickTile(double time, int index); // at the tile's middle
    void clickInfo(double time);
    void clickQuit(double time);
    void closeWindow(double time);
    void closeAbout(double time);
    // What the board's tooltip says at the point.
    std::string tooltipAt(int x, int y) const { return board_.tooltipAt(x, y); }

    // Runs the load handler, then the message loop until `until`. Returns
    // false when the program ended.
    bool load(double until);
    bool runUntil(double until);
    bool ended() const { return ended_; }
    double timeLimit = 3600;
    double yieldStep = 0.001;

    VirtualClock clock_;
    ScriptedMedia scriptedMedia{clock_};

    // What the test can observe.
    int yields = 0;
    int windowShown = 0;
    struct About {
        std::string title, text;
        double openedAt = -1, closedAt = -1;
    };
    std::vector<About> abouts;
    std::vector<std::string> log; // handler entries and exits, in order
    Raster boardSurface() const;  // the board as displayed
    Raster kompisBacking() const;

    void showWindow() override { ++windowShown; }
    void yieldFor(double seconds) override;
    double clock() const override { return clock_.timeOfDay(); }
    std::string programFolder() const override { return folder; }
    char folderSeparator() const override { return separator; }
    void blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) override;
    void showAbout(const std::string& title, const std::string& text) override;
    MediaFramework& media() override { return realMedia ? *realMedia : scriptedMedia; }
    // A real engine in place of the scripted media, for tests of real files;
    // `advance` is told each step of virtual time so the engine can keep pace.
    MediaFramework* realMedia = nullptr;
    std::function<void(double seconds)> advance;

    std::string folder = "/opt/fanbord";
    char separator = '/';

private:
    struct Pending {
        double time;
        std::uint64_t order;
        std::function<void()> action;
    };
    // Input at a time; the about box is modal, so none reaches the window while it is open.
    void input(double time, std::function<void()> action);
    void clickButton(Button* button);
    bool runDue();
    void advanceTo(double time);
    double nextDue() const;
    [[noreturn]] void leaving() override;

    std::unique_ptr<PictureBox> makeBox(const layout::WidgetRow& s) override;
    std::unique_ptr<Image> makeImage(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Label> makeLabel(const layout::WidgetRow& s) override;
    std::unique_ptr<Button> makeButton(const layout::WidgetRow& s, std::function<void()> click) override;
    std::unique_ptr<Timer> makeTimer(const layout::WidgetRow& s, std::function<void()> tick) override;

    ArtLoader art_;
    BoardModel<SimItem> board_;
    std::vector<SimTimer*> timers_;
    std::vector<Pending> pending_;
    std::uint64_t order_ = 0;
    bool ended_ = false;
    bool aboutOpen_ = false;
    bool aboutCloseRequested_ = false;
    Raster boardArt_;
    friend class SimTimer;
};

} // namespace fanbord::sim
