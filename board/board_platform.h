#pragma once
// The part of a platform that does not depend on its window system: the
// window built from the widget table, the routes from widgets to the window's
// handlers, the one unload and the end. A platform makes each widget its own way.
#include "app/layout.h"
#include "app/platform.h"

#include <functional>
#include <memory>
#include <vector>

namespace fanbord {

class BoardPlatform : public Platform {
public:
    // `atEnd` runs as the program ends, before the process goes: what must
    // close first, such as the sound device.
    explicit BoardPlatform(MediaFramework& media, std::function<void()> atEnd = {})
        : media_(media), atEnd_(std::move(atEnd)) {}

    void connect(FormEvents& events) { events_ = &events; }
    const Widgets& widgets() const override { return widgets_; }
    MediaFramework& media() override { return media_; }
    [[noreturn]] void unloadWindow() final;
    // Runs `atEnd`, then the process goes at once: handlers suspended in a
    // yield must never resume, so it does not unwind through the nested loops.
    [[noreturn]] void endProgram() final;

protected:
    // Makes the widgets in the table's order, places and shows them, and files
    // them under their names.
    void build();
    // What runs a row's handler: a tile's, Info's or Sluta's click, a timer's tick.
    std::function<void()> clickRoute(const layout::WidgetRow& s);
    std::function<void()> tickRoute(const layout::WidgetRow& s);
    // How long a yield may sleep for a caller that looks again in `seconds`; a
    // wait beyond a day wakes once to look again, as timers count no further.
    static int waitMilliseconds(double seconds);
    // The last word before the process goes. The simulated platform throws
    // from here through the suspended handlers: its program ends, the tests go on.
    virtual void leaving() {}

    virtual std::unique_ptr<PictureBox> makeBox(const layout::WidgetRow& s) = 0;
    virtual std::unique_ptr<Image> makeImage(const layout::WidgetRow& s, std::function<void()> click) = 0;
    virtual std::unique_ptr<Label> makeLabel(const layout::WidgetRow& s) = 0;
    virtual std::unique_ptr<Button> makeButton(const layout::WidgetRow& s, std::function<void()> click) = 0;
    virtual std::unique_ptr<Timer> makeTimer(const layout::WidgetRow& s, std::function<void()> tick) = 0;

    FormEvents* events_ = nullptr; // the window's handlers
    Widgets widgets_;              // the widgets under their names on the board

private:
    template <class W> W* adopt(std::unique_ptr<W> widget, const layout::WidgetRow& s);
    // Form_Unload runs once, however often the window is unloaded.
    void unloadOnce();

    MediaFramework& media_;
    std::function<void()> atEnd_;
    std::vector<std::unique_ptr<Widget>> owned_;
    std::vector<std::unique_ptr<Timer>> timers_;
    bool unloading_ = false; // Form_Unload has run
};

} // namespace fanbord
