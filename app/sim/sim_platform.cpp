#include "app/sim/sim_platform.h"

#include <algorithm>
#include <cmath>

namespace fanbord::sim {

using layout::Art;
using layout::Name;

const Raster* rasterOf(const PictureRef& picture) {
    const auto* p = dynamic_cast<const SimPicture*>(picture.get());
    return p ? &p->raster : nullptr;
}

std::uint32_t tileClothColour(int index) {
    return 0xFF000000u | std::uint32_t(20 + 7 * index) << 16 | std::uint32_t(200 - 5 * index) << 8 | 0x40u;
}

Raster syntheticArt(Art art, int index) {
    const layout::ArtSize size = layout::artSize(art);
    switch (art) {
    case Art::Tile: {
        Raster r(size.width, size.height, 0xFF808080u);
        for (int y = 0; y < layout::kClothHeight; ++y)
            for (int x = 0; x < layout::kClothWidth; ++x)
                r.at(layout::kClothLeft + x, layout::kClothTop + y) = tileClothColour(index);
        return r;
    }
    case Art::SwedishFlag: return Raster(size.width, size.height, 0xFF006AA7u);
    case Art::Marker: return Raster(size.width, size.height, 0xFF00A000u);
    case Art::Board:
    case Art::ProgressBar:
    case Art::InfoFace:
    case Art::QuitFace: return Raster(size.width, size.height, 0xFF00FFFFu);
    case Art::None: break;
    }
    return {};
}

namespace {

// Opaque pixels of `from` land on `to` at (x, y), scaled to w x h by nearest neighbour.
void drawOnto(Raster& to, const Raster& from, int x, int y, int w, int h) {
    if (from.width == 0 || from.height == 0)
        return;
    for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx) {
            if (!to.contains(x + dx, y + dy))
                continue;
            const std::uint32_t px = from.at(dx * from.width / w, dy * from.height / h);
            if (px >> 24)
                to.at(x + dx, y + dy) = px;
        }
}

void fillRect(Raster& to, const PixelRect& area, std::uint32_t pixel) {
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            if (to.contains(x, y))
                to.at(x, y) = pixel;
}

std::uint32_t pixelOf(Rgb c) {
    return 0xFF000000u | std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

std::string nameOf(const layout::WidgetRow& s) {
    static const char* const names[] = {"Pico",   "playTimer", "picProgBack", "picProg",  "Info",
                                        "Timer2", "Kompis",    "Quit",        "Sponsor",  "ShowInfo",
                                        "Flagga", "Sverige",   "Flag",        "Intro"};
    std::string n = names[int(s.name)];
    if (s.name == Name::ShowInfo || s.name == Name::Flagga)
        n += "(" + std::to_string(s.index) + ")";
    return n;
}

// What the test reads of a widget's changes.
std::string placeEntry(const std::string& name, double left, double top) {
    return name + " at " + std::to_string(left) + "," + std::to_string(top);
}
std::string visibilityEntry(const std::string& name, bool visible) {
    return name + (visible ? " shown" : " hidden");
}

} // namespace

// --- widgets

SimItem::SimItem(const layout::WidgetRow& row, std::vector<std::string>& log)
    : Placed(row), log_(log), name_(nameOf(row)) {}

void SimItem::paint(Raster&) const {} // the simulated board draws no text

void SimItem::moved(const PixelRect&) {
    log_.push_back(placeEntry(name_, left_, top_));
}

void SimItem::shownOrHidden() {
    log_.push_back(visibilityEntry(name_, visible_));
}

class SimImage final : public PlacedImage<SimItem> {
public:
    using PlacedImage::PlacedImage;
    void paint(Raster& surface) const override {
        const Raster* r = rasterOf(picture_);
        if (!visible_ || !r)
            return;
        const PixelRect a = pictureArea(r->width, r->height);
        drawOnto(surface, *r, a.left, a.top, a.width, a.height);
    }
};

class SimLabel final : public PlacedLabel<SimItem> {
public:
    using PlacedLabel::PlacedLabel;
    void setCaption(const std::string& text) override {
        PlacedLabel::setCaption(text);
        log_.push_back(name_ + " \"" + text + "\"");
    }
};

// A child window of the simulated board, which logs where it goes.
template <class Placing> class SimChild : public Placing {
public:
    template <class... Args>
    SimChild(std::vector<std::string>& log, const layout::WidgetRow& s, Args&&... args)
        : Placing(std::forward<Args>(args)...), log_(log), name_(nameOf(s)) {}

protected:
    void placeWindow(int, int) override { log_.push_back(placeEntry(name_, this->left_, this->top_)); }
    void showWindow(bool visible) override { log_.push_back(visibilityEntry(name_, visible)); }

    std::vector<std::string>& log_;
    std::string name_;
};

class SimButton final : public SimChild<PlacedChild<Button>> {
public:
    SimButton(std::vector<std::string>& log, const layout::WidgetRow& s, std::function<void()> click)
        : SimChild(log, s), click(std::move(click)) {}
    std::function<void()> click;
};

class SimPictureBox final : public SimChild<PlacedBox> {
public:
    SimPictureBox(std::vector<std::string>& log, const layout::WidgetRow& s, Raster picture)
        : SimChild(log, s, s.width, s.height), background_(s.background ? pixelOf(*s.background) : 0u),
          picture_(std::move(picture)), layer_(s.width, s.height, 0) {}
    void clear() override { std::fill(layer_.pixels.begin(), layer_.pixels.end(), 0u); }
    void outline(int x1, int y1, int x2, int y2, Rgb c) override {
        for (const PixelRect& edge : outlineEdges(x1, y1, x2, y2))
            fillRect(layer_, edge, pixelOf(c));
    }
    PictureRef snapshot() const override { return std::make_shared<SimPicture>(composed()); }

    Raster composed() const {
        Raster out(w_, h_, background_);
        drawOnto(out, picture_, 0, 0, picture_.width, picture_.height);
        drawOnto(out, layer_, 0, 0, w_, h_);
        return out;
    }
    Raster& layer() { return layer_; }

private:
    std::uint32_t background_;
    Raster picture_;
    Raster layer_;
};

class SimTimer final : public Timer {
public:
    SimTimer(SimPlatform& platform, int intervalMs, std::function<void()> onTick)
        : interval_(intervalMs / 1000.0), onTick_(std::move(onTick)), platform_(platform) {}
    void setEnabled(bool enabled) override {
        if (enabled && !enabled_)
            next_ = platform_.clock_.now() + interval_;
        enabled_ = enabled;
    }
    bool enabled() const override { return enabled_; }

    bool enabled_ = false;
    double next_ = 0;
    double interval_;
    std::function<void()> onTick_;

private:
    SimPlatform& platform_;
};

// --- media

double VirtualClock::timeOfDay() const { return std::fmod(startOfDay + now_, 86400.0); }

class ScriptedGraph final : public MediaGraph {
public:
    ScriptedGraph(ScriptedMedia& media, std::size_t record) : media_(media), record_(record) {}
    ~ScriptedGraph() override {
        auto& r = media_.records_[record_];
        r.releasedAt = media_.clock_.now();
    }
    bool renderFile(const std::string& path, std::string& why) override {
        media_.records_[record_].file = path;
        const auto it = media_.pieces_.find(path);
        if (it == media_.pieces_.end()) {
            why = "no such file";
            return false;
        }
        duration_ = it->second;
        return true;
    }
    bool run(std::string&) override {
        media_.records_[record_].ranAt = media_.clock_.now();
        return true;
    }
    void stop() override {
        auto& r = media_.records_[record_];
        if (r.stoppedAt < 0)
            r.stoppedAt = media_.clock_.now();
    }
    double duration() const override { return duration_; }
    double currentPosition() const override {
        const auto& r = media_.records_[record_];
        if (r.ranAt < 0)
            return 0;
        return (r.stoppedAt >= 0 ? r.stoppedAt : media_.clock_.now()) - r.ranAt;
    }

private:
    ScriptedMedia& media_;
    std::size_t record_;
    double duration_ = 0;
};

std::unique_ptr<MediaGraph> ScriptedMedia::createGraph() {
    if (frameworkMissing)
        return nullptr;
    records_.push_back({});
    return std::make_unique<ScriptedGraph>(*this, records_.size() - 1);
}

void ScriptedMedia::playBlocking(const std::string& path) {
    blips_.push_back(path);
    clock_.now_ += blipSeconds; // nothing else runs meanwhile
}

std::vector<std::string> ScriptedMedia::sounding() const {
    std::vector<std::string> out;
    for (const auto& r : records_)
        if (r.ranAt >= 0 && r.stoppedAt < 0 && r.releasedAt < 0)
            out.push_back(r.file);
    return out;
}

// --- the platform

SimPlatform::SimPlatform(ArtLoader art, std::function<void()> atEnd)
    : BoardPlatform(scriptedMedia, std::move(atEnd)), art_(std::move(art)) {
    build();
    boardArt_ = art_(Art::Board, 0);
    log.clear(); // the log begins with the program, not with the building of the board
}

std::unique_ptr<PictureBox> SimPlatform::makeBox(const layout::WidgetRow& s) {
    return std::make_unique<SimPictureBox>(log, s, s.name == Name::Pico ? Raster() : art_(s.art, s.index));
}

std::unique_ptr<Image> SimPlatform::makeImage(const layout::WidgetRow& s, std::function<void()> click) {
    auto image = std::make_unique<SimImage>(s, log);
    if (s.art != Art::None)
        image->setPicture(std::make_shared<SimPicture>(art_(s.art, s.index)));
    image->onClick = std::move(click);
    board_.add(*image);
    return image;
}

std::unique_ptr<Label> SimPlatform::makeLabel(const layout::WidgetRow& s) {
    auto label = std::make_unique<SimLabel>(s, log);
    board_.add(*label);
    return label;
}

std::unique_ptr<Button> SimPlatform::makeButton(const layout::WidgetRow& s, std::function<void()> click) {
    return std::make_unique<SimButton>(log, s, std::move(click));
}

std::unique_ptr<Timer> SimPlatform::makeTimer(const layout::WidgetRow& s, std::function<void()> tick) {
    auto timer = std::make_unique<SimTimer>(*this, s.intervalMs, std::move(tick));
    timers_.push_back(timer.get());
    return timer;
}

SimPlatform::~SimPlatform() = default;

void SimPlatform::at(double time, std::function<void()> action) {
    pending_.push_back({time, order_++, std::move(action)});
}

void SimPlatform::input(double time, std::function<void()> action) {
    at(time, [this, action = std::move(action)] {
        if (!aboutOpen_)
            action();
    });
}

void SimPlatform::pointerDown(double time, int x, int y) {
    input(time, [this, x, y] { board_.press(x, y); });
}

void SimPlatform::pointerUp(double time, int x, int y) {
    input(time, [this, x, y] { board_.release(x, y); });
}

void SimPlatform::click(double time, int x, int y) {
    pointerDown(time, x, y);
    pointerUp(time, x, y);
}

void SimPlatform::clickTile(double time, int index) {
    click(time, layout::tileLeft(index) + layout::kTileWidth / 2, layout::tileTop(index) + layout::kTileHeight / 2);
}

// A hidden button cannot be clicked.
void SimPlatform::clickButton(Button* button) {
    if (button->visible())
        static_cast<SimButton*>(button)->click();
}

void SimPlatform::clickInfo(double time) {
    input(time, [this] { clickButton(widgets_.Info); });
}

void SimPlatform::clickQuit(double time) {
    input(time, [this] { clickButton(widgets_.Quit); });
}

void SimPlatform::closeWindow(double time) {
    at(time, [this] { unloadWindow(); });
}

void SimPlatform::closeAbout(double time) {
    at(time, [this] {
        if (aboutOpen_)
            aboutCloseRequested_ = true;
    });
}

double SimPlatform::nextDue() const {
    double next = std::numeric_limits<double>::infinity();
    for (const Pending& p : pending_)
        next = std::min(next, p.time);
    for (const SimTimer* t : timers_)
        if (t->enabled_)
            next = std::min(next, t->next_);
    return next;
}

bool SimPlatform::runDue() {
    bool ran = false;
    for (;;) {
        const double now = clock_.now();
        // Scripted input first, in the order it was scheduled, then timer ticks.
        auto due = std::min_element(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
            return a.time != b.time ? a.time < b.time : a.order < b.order;
        });
        if (due != pending_.end() && due->time <= now) {
            std::function<void()> action = std::move(due->action);
            pending_.erase(due);
            ran = true;
            action();
            continue;
        }
        SimTimer* tick = nullptr;
        for (SimTimer* t : timers_)
            if (t->enabled_ && t->next_ <= now && (!tick || t->next_ < tick->next_))
                tick = t;
        if (!tick)
            return ran;
        tick->next_ += tick->interval_;
        ran = true;
        tick->onTick_();
    }
}

void SimPlatform::yieldFor(double seconds) {
    ++yields;
    if (clock_.now() > timeLimit)
        throw TimeLimitReached{};
    if (runDue())
        return;
    // On to the next event or the caller's time, whichever comes first; a wait
    // takes at least one step, and none jumps far past the limit.
    advanceTo(std::min({nextDue(), clock_.now() + std::max(seconds, yieldStep), timeLimit + yieldStep}));
    runDue();
}

void SimPlatform::advanceTo(double time) {
    const double step = time - clock_.now();
    clock_.now_ = time;
    if (advance && step > 0)
        advance(step);
}

bool SimPlatform::load(double until) {
    try {
        events_->Form_Load();
    } catch (const ProgramEnded&) {
        return false;
    }
    return runUntil(until);
}

bool SimPlatform::runUntil(double until) {
    try {
        while (clock_.now() < until) {
            if (runDue())
                continue;
            advanceTo(std::min(nextDue(), until));
            if (clock_.now() > timeLimit)
                throw TimeLimitReached{};
        }
        runDue();
    } catch (const ProgramEnded&) {
        return false;
    }
    return true;
}

void SimPlatform::leaving() {
    ended_ = true;
    log.push_back("end");
    throw ProgramEnded{};
}

Raster SimPlatform::boardSurface() const {
    Raster out = boardArt_;
    for (const SimItem* item : board_.stacking())
        item->paint(out);
    return out;
}

Raster SimPlatform::kompisBacking() const { return static_cast<SimPictureBox*>(widgets_.Kompis)->composed(); }

void SimPlatform::blockCopy(CopyTarget dst, int x, int y, int w, int h, CopySource src, int xs, int ys) {
    const Raster from =
        &src.box == widgets_.Pico ? boardSurface() : static_cast<const SimPictureBox&>(src.box).composed();
    Raster& to = static_cast<SimPictureBox&>(dst.box).layer();
    const BlockCopy copy = clipped({{xs, ys, w, h}, x, y}, from.width, from.height, to.width, to.height);
    for (int dy = 0; dy < copy.source.height; ++dy)
        for (int dx = 0; dx < copy.source.width; ++dx)
            to.at(copy.x + dx, copy.y + dy) = from.at(copy.source.left + dx, copy.source.top + dy) | 0xFF000000u;
}

void SimPlatform::showAbout(const std::string& title, const std::string& text) {
    abouts.push_back({title, text, clock_.now(), -1});
    const std::size_t mine = abouts.size() - 1;
    aboutOpen_ = true;
    aboutCloseRequested_ = false;
    while (!aboutCloseRequested_)
        yield();
    aboutOpen_ = false;
    abouts[mine].closedAt = clock_.now();
}

} // namespace fanbord::sim
