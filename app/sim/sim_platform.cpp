#include "app/sim/sim_platform.h"

#include <algorithm>
#include <cmath>

namespace fanbord::sim {

using layout::Art;
using layout::Kind;
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

} // namespace

// --- widgets

// Position and visibility of every simulated widget, with a log entry per change.
template <class Seam> class SimWidget : public Seam {
public:
    SimWidget(std::vector<std::string>& log, const layout::WidgetRow& s, std::string name)
        : log_(log), name_(std::move(name)), left_(s.left), top_(s.top), visible_(s.visible) {}
    double left() const override { return left_; }
    double top() const override { return top_; }
    void move(double l, double t) override {
        left_ = l;
        top_ = t;
        log_.push_back(name_ + " at " + std::to_string(l) + "," + std::to_string(t));
    }
    bool visible() const override { return visible_; }
    void setVisible(bool v) override {
        visible_ = v;
        log_.push_back(name_ + (v ? " shown" : " hidden"));
    }

protected:
    std::vector<std::string>& log_;
    std::string name_;
    double left_, top_;
    bool visible_;
};

class SimImage final : public SimWidget<Image> {
public:
    SimImage(std::vector<std::string>& log, const layout::WidgetRow& s, std::string name)
        : SimWidget(log, s, std::move(name)), w(s.width), h(s.height), stretch(s.stretch) {}
    std::string tooltip() const override { return tooltip_; }
    void setTooltip(const std::string& text) override { tooltip_ = text; }
    PictureRef picture() const override { return picture_; }
    void setPicture(PictureRef p) override { picture_ = std::move(p); }

    void paint(Raster& surface) const {
        const Raster* r = rasterOf(picture_);
        if (!visible_ || !r)
            return;
        const int x = int(std::nearbyint(left_)), y = int(std::nearbyint(top_));
        if (stretch)
            drawOnto(surface, *r, x, y, w, h);
        else
            drawOnto(surface, *r, x, y, r->width, r->height);
    }
    int w, h;
    bool stretch;

private:
    std::string tooltip_;
    PictureRef picture_;
};

class SimLabel final : public SimWidget<Label> {
public:
    SimLabel(std::vector<std::string>& log, const layout::WidgetRow& s, std::string name)
        : SimWidget(log, s, std::move(name)), caption_(s.caption) {}
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& text) override {
        caption_ = text;
        log_.push_back(name_ + " \"" + text + "\"");
    }

private:
    std::string caption_;
};

class SimButton final : public SimWidget<Button> {
public:
    using SimWidget::SimWidget;
};

class SimPictureBox final : public SimWidget<PictureBox> {
public:
    SimPictureBox(std::vector<std::string>& log, const layout::WidgetRow& s, std::string name, Raster picture)
        : SimWidget(log, s, std::move(name)), w_(s.width), h_(s.height),
          background_(s.background ? 0xFF000000u | std::uint32_t(s.background->r) << 16 |
                                         std::uint32_t(s.background->g) << 8 | s.background->b
                                   : 0u),
          picture_(std::move(picture)), layer_(s.width, s.height, 0) {}
    void clear() override { std::fill(layer_.pixels.begin(), layer_.pixels.end(), 0u); }
    void outline(int x1, int y1, int x2, int y2, Rgb c) override {
        const std::uint32_t px = 0xFF000000u | std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
        auto put = [&](int x, int y) {
            if (layer_.contains(x, y))
                layer_.at(x, y) = px;
        };
        for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) {
            put(x, y1);
            put(x, y2);
        }
        for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) {
            put(x1, y);
            put(x2, y);
        }
    }
    int innerWidth() const override { return w_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    PictureRef snapshot() const override { return std::make_shared<SimPicture>(composed()); }

    Raster composed() const {
        Raster out(w_, h_, background_);
        drawOnto(out, picture_, 0, 0, picture_.width, picture_.height);
        drawOnto(out, layer_, 0, 0, w_, h_);
        return out;
    }
    Raster& layer() { return layer_; }

private:
    int w_, h_;
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

namespace {

std::string nameOf(const layout::WidgetRow& s) {
    static const char* const names[] = {"Pico",   "playTimer", "picProgBack", "picProg",  "Info",
                                        "Timer2", "Kompis",    "Quit",        "Sponsor",  "ShowInfo",
                                        "Flagga", "Sverige",   "Flag",        "Intro"};
    std::string n = names[int(s.name)];
    if (s.name == Name::ShowInfo || s.name == Name::Flagga)
        n += "(" + std::to_string(s.index) + ")";
    return n;
}

} // namespace

SimPlatform::SimPlatform(ArtLoader art, std::function<void()> atEnd)
    : BoardPlatform(scriptedMedia, std::move(atEnd)), art_(std::move(art)) {
    build();
    boardArt_ = art_(Art::Board, 0);
    log.clear(); // the log begins with the program, not with the building of the board
}

std::unique_ptr<PictureBox> SimPlatform::makeBox(const layout::WidgetRow& s) {
    return std::make_unique<SimPictureBox>(log, s, nameOf(s), s.name == Name::Pico ? Raster() : art_(s.art, s.index));
}

std::unique_ptr<Image> SimPlatform::makeImage(const layout::WidgetRow& s, std::function<void()>) {
    auto image = std::make_unique<SimImage>(log, s, nameOf(s));
    if (s.art != Art::None)
        image->setPicture(std::make_shared<SimPicture>(art_(s.art, s.index)));
    images_.push_back(image.get());
    return image;
}

std::unique_ptr<Label> SimPlatform::makeLabel(const layout::WidgetRow& s) {
    return std::make_unique<SimLabel>(log, s, nameOf(s));
}

std::unique_ptr<Button> SimPlatform::makeButton(const layout::WidgetRow& s, std::function<void()>) {
    return std::make_unique<SimButton>(log, s, nameOf(s));
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

// The about box is modal: no press reaches the board while it is open.
void SimPlatform::press(double time, const Widget* widget, std::function<void()> click) {
    at(time, [this, widget, click = std::move(click)] {
        if (!aboutOpen_ && (!widget || widget->visible()))
            click();
    });
}

void SimPlatform::clickTile(double time, int index) {
    press(time, nullptr, [this, index] { events_->Flagga_Click(static_cast<std::int16_t>(index)); });
}

// A hidden button cannot be clicked.
void SimPlatform::clickInfo(double time) {
    press(time, widgets_.Info, [this] { events_->Info_Click(); });
}

void SimPlatform::clickQuit(double time) {
    press(time, widgets_.Quit, [this] { events_->Quit_Click(); });
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
    for (const SimImage* image : images_)
        image->paint(out);
    return out;
}

Raster SimPlatform::kompisBacking() const { return static_cast<SimPictureBox*>(widgets_.Kompis)->composed(); }

void SimPlatform::blockCopy(PictureBox& dst, int x, int y, int w, int h, PictureBox& src, int xs, int ys) {
    const Raster from = &src == widgets_.Pico ? boardSurface() : static_cast<SimPictureBox&>(src).composed();
    Raster& to = static_cast<SimPictureBox&>(dst).layer();
    for (int dy = 0; dy < h; ++dy)
        for (int dx = 0; dx < w; ++dx)
            if (from.contains(xs + dx, ys + dy) && to.contains(x + dx, y + dy))
                to.at(x + dx, y + dy) = from.at(xs + dx, ys + dy) | 0xFF000000u;
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
