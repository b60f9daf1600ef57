#pragma once
// The one seam between the program's logic and the platform. Everything the
// logic needs from a window system, a clock, the sound call, the about box and
// the media framework is here; the logic includes nothing else but the
// standard library.
#include "catalogue/catalogue.h"
#include "media/media_graph.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace fanbord {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(Rgb, Rgb) = default;
};

// A picture a widget shows; what it holds is the platform's business.
class Picture {
public:
    virtual ~Picture() = default;
};
using PictureRef = std::shared_ptr<const Picture>;

// Positions are client pixels of the parent; they may be fractional (rounded
// when drawn), negative or outside the parent (clipped).
class Widget {
public:
    virtual ~Widget() = default;
    virtual double left() const = 0;
    virtual double top() const = 0;
    virtual void move(double left, double top) = 0;
    virtual bool visible() const = 0;
    virtual void setVisible(bool visible) = 0;
};

class Image : public Widget {
public:
    virtual std::string tooltip() const = 0;
    virtual void setTooltip(const std::string& text) = 0;
    virtual PictureRef picture() const = 0;
    virtual void setPicture(PictureRef picture) = 0; // a stretching image scales it to its size
};

class Label : public Widget {
public:
    virtual std::string caption() const = 0;
    virtual void setCaption(const std::string& text) = 0;
};

class Button : public Widget {};

class PictureBox : public Widget {
public:
    virtual void clear() = 0; // run-time drawing erased; the background shows again
    // 1-pixel outline, both corners inclusive.
    virtual void outline(int x1, int y1, int x2, int y2, Rgb colour) = 0;
    virtual int innerWidth() const = 0;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual PictureRef snapshot() const = 0; // of the backing image
};

// The two sides of a block copy, each a type of its own, so that a copy cannot
// be written the wrong way round.
struct CopySource {
    explicit CopySource(const PictureBox& box) : box(box) {}
    const PictureBox& box;
};
struct CopyTarget {
    explicit CopyTarget(PictureBox& box) : box(box) {}
    PictureBox& box;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// The widgets of the window, under their names on the board.
struct Widgets {
    PictureBox* Pico = nullptr;              // the board itself: every other widget stands on it
    Timer* playTimer = nullptr;              // the progress tick, once a second while a piece plays
    PictureBox* picProgBack = nullptr;       // the progress bar, shown while a piece plays
    PictureBox* picProg = nullptr;           // the marker running along the bar
    Button* Info = nullptr;                  // opens the about box over the drum roll
    Timer* Timer2 = nullptr;                 // the hoist timer: one step of the flag's climb a tick
    PictureBox* Kompis = nullptr;            // the hidden scratch box where the framed copy is made
    Button* Quit = nullptr;                  // Sluta: ends the program
    Label* Sponsor = nullptr;                // the crest's hot spot, crediting the scores
    std::array<Label*, 2> ShowInfo{};        // the two caption lines under the bar
    std::array<Image*, kNationCount> Flagga{}; // the thirty flag tiles, in catalogue order
    Image* Sverige = nullptr;                // the hidden Swedish cloth the ceremony hoists
    Image* Flag = nullptr;                   // the flag on the pole
    Label* Intro = nullptr;                  // the title line, shown once the ceremony is over
};

// The window's event handlers, called by the platform one at a time on the
// user-interface thread (or nested inside a yield).
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Form_Load() = 0;
    virtual void Form_Unload(std::int16_t& Cancel) = 0;
    virtual void Flagga_Click(std::int16_t Index) = 0;
    virtual void Info_Click() = 0;
    virtual void Quit_Click() = 0;
    virtual void playTimer_Timer() = 0;
    virtual void Timer2_Timer() = 0;
};

class Platform {
public:
    virtual ~Platform() = default;

    virtual const Widgets& widgets() const = 0;
    virtual void showWindow() = 0;
    // Unloads the window: runs Form_Unload, and the program ends there.
    [[noreturn]] virtual void unloadWindow() = 0;
    // Ends the program at once; no handler suspended in a yield resumes.
    [[noreturn]] virtual void endProgram() = 0;

    // Runs every pending input, repaint and tick handler, then returns.
    void yield() { yieldFor(0); }
    // The same, for a caller that will not look again for `seconds`: when
    // nothing is pending, blocks until the next input, repaint or tick, or
    // until that time has passed, and handles what arrived.
    virtual void yieldFor(double seconds) = 0;
    // Seconds since local midnight, fractional; back to 0 at midnight.
    virtual double clock() const = 0;
    // Folder of the executable.
    virtual std::string programFolder() const = 0;
    // What separates the folders of a path on this system.
    virtual char folderSeparator() const = 0;

    // Exact pixel copy of w x h from src at (xs, ys) to dst's backing image at
    // (x, y), clipped at both surfaces' edges.
    virtual void blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) = 0;
    // Modal about box owned by the window, showing its icon; returns when closed.
    virtual void showAbout(const std::string& title, const std::string& text) = 0;
    virtual MediaFramework& media() = 0;
};

} // namespace fanbord
