#include "board/board_platform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace fanbord {

using layout::Kind;
using layout::Name;
using layout::WidgetRow;

template <class W> W* BoardPlatform::adopt(std::unique_ptr<W> widget, const WidgetRow& s) {
    W* w = widget.get();
    owned_.push_back(std::move(widget));
    layout::bind(widgets_, s, w);
    w->move(s.left, s.top);
    w->setVisible(s.visible);
    return w;
}

void BoardPlatform::build() {
    for (const WidgetRow& s : layout::widgets()) {
        switch (s.kind) {
        case Kind::PictureBox:
            adopt(makeBox(s), s);
            break;
        case Kind::Image:
            adopt(makeImage(s, clickRoute(s)), s);
            break;
        case Kind::Label:
            adopt(makeLabel(s), s)->setCaption(std::string(s.caption));
            break;
        case Kind::Button:
            adopt(makeButton(s, clickRoute(s)), s);
            break;
        case Kind::Timer: {
            timers_.push_back(makeTimer(s, tickRoute(s)));
            layout::bind(widgets_, s, timers_.back().get());
            break;
        }
        }
    }
}

std::function<void()> BoardPlatform::clickRoute(const WidgetRow& s) {
    switch (s.name) {
    case Name::Flagga:
        return [this, index = static_cast<std::int16_t>(s.index)] {
            if (events_)
                events_->Flagga_Click(index);
        };
    case Name::Info:
        return [this] {
            if (events_)
                events_->Info_Click();
        };
    case Name::Quit:
        return [this] {
            if (events_)
                events_->Quit_Click();
        };
    default:
        return {};
    }
}

std::function<void()> BoardPlatform::tickRoute(const WidgetRow& s) {
    if (s.name == Name::playTimer)
        return [this] {
            if (events_)
                events_->playTimer_Timer();
        };
    return [this] {
        if (events_)
            events_->Timer2_Timer();
    };
}

void BoardPlatform::unloadOnce() {
    if (unloading_)
        return;
    unloading_ = true;
    std::int16_t cancel = 0;
    if (events_)
        events_->Form_Unload(cancel);
}

void BoardPlatform::unloadWindow() {
    unloadOnce();
    endProgram();
}

void BoardPlatform::endProgram() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (auto atEnd = std::exchange(atEnd_, nullptr))
        atEnd();
    leaving();
    std::_Exit(0);
}

int BoardPlatform::waitMilliseconds(double seconds) {
    constexpr double kLongestWait = 86400;
    return int(std::ceil(std::min(seconds, kLongestWait) * 1000));
}

} // namespace fanbord
