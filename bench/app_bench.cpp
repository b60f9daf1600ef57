// Figures for the real program on Qt. Prints figures; judges nothing.
//   app_bench --startup        run from the program folder: launch to window and
//                              to first note, CPU during the ceremony's waits
//   app_bench PROGRAM-FOLDER   CPU during a Sleep, a pause after a piece, an anthem
//                              and idle; Sleep overshoot; input latency in a Sleep;
//                              StartPlay time
#include "app/fanbord.h"
#include "app/qt/qt_platform.h"
#include "engine/audio_engine.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// CPU share of one core while `work` runs.
template <class F> double cpuShare(F work) {
    const double cpu0 = cpuSeconds();
    const auto t0 = Clock::now();
    work();
    return (cpuSeconds() - cpu0) / (ms(t0, Clock::now()) / 1000.0) * 100.0;
}

// Passes everything to the engine, noting when the first piece starts.
class FirstNote final : public fanbord::MediaFramework {
public:
    explicit FirstNote(fanbord::MediaFramework& inner) : inner_(inner) {}
    std::unique_ptr<fanbord::MediaGraph> createGraph() override {
        if (!first)
            first = Clock::now();
        return inner_.createGraph();
    }
    void playBlocking(const std::string& path) override { inner_.playBlocking(path); }
    std::optional<Clock::time_point> first;

private:
    fanbord::MediaFramework& inner_;
};

struct ShowWatcher final : QObject {
    std::optional<Clock::time_point> at;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show && !at)
            at = Clock::now();
        return false;
    }
};

// The real start-up: launch to window shown and to the first note of the
// ceremony, then what the ceremony's waits cost.
int startup(int argc, char** argv, Clock::time_point launch) {
    QApplication app(argc, argv);
    fanbord::EngineOptions options;
    options.programFolder = QCoreApplication::applicationDirPath().toStdString();
    fanbord::AudioEngine engine(options);
    FirstNote media(engine);
    fanbord::qt::QtPlatform platform(media);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    ShowWatcher shown;
    platform.window()->installEventFilter(&shown);
    double cpu0 = 0;
    Clock::time_point t0;
    QTimer::singleShot(2000, [&] {
        cpu0 = cpuSeconds();
        t0 = Clock::now();
    });
    QTimer::singleShot(12000, [&] {
        std::printf("launch -> window shown       %8.1f ms\n", shown.at ? ms(launch, *shown.at) : -1.0);
        std::printf("launch -> first ceremony note%8.1f ms\n", media.first ? ms(launch, *media.first) : -1.0);
        std::printf("cpu during the ceremony      %8.2f %% of a core\n",
                    (cpuSeconds() - cpu0) / (ms(t0, Clock::now()) / 1000.0) * 100.0);
        std::fflush(stdout);
        std::_Exit(0);
    });
    platform.start();
    return app.exec();
}

// How late a Sleep ends, over 50 short ones.
void sleepOvershoot(fanbord::Fanbord& form) {
    std::vector<double> late;
    for (int i = 0; i < 50; ++i) {
        const auto t0 = Clock::now();
        form.Sleep(0.05);
        late.push_back(ms(t0, Clock::now()) - 50.0);
    }
    std::sort(late.begin(), late.end());
    std::printf("Sleep overshoot              %8.2f ms median, %.2f ms max\n", late[late.size() / 2], late.back());
}

// Input arriving from outside during a Sleep: from posting to handling, over 20 events.
struct Probe final : QObject {
    std::vector<double> latency;
    void customEvent(QEvent* e) override { latency.push_back(ms(static_cast<Stamped*>(e)->posted, Clock::now())); }
    struct Stamped final : QEvent {
        Stamped() : QEvent(QEvent::User), posted(Clock::now()) {}
        Clock::time_point posted;
    };
};

void inputLatency(fanbord::Fanbord& form) {
    Probe probe;
    std::thread input([&probe] {
        for (int i = 0; i < 20; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(97));
            QCoreApplication::postEvent(&probe, new Probe::Stamped);
        }
    });
    form.Sleep(2.5);
    input.join();
    std::sort(probe.latency.begin(), probe.latency.end());
    std::printf("input latency in a Sleep     %8.2f ms median, %.2f ms max (%zu events)\n",
                probe.latency.empty() ? -1.0 : probe.latency[probe.latency.size() / 2],
                probe.latency.empty() ? -1.0 : probe.latency.back(), probe.latency.size());
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--startup")
        return startup(argc, argv, Clock::now());
    const auto launch = Clock::now();
    QApplication app(argc, argv);
    fanbord::EngineOptions options; // as the program: its media beside it
    options.programFolder = argc > 1 ? argv[1] : "";
    fanbord::AudioEngine engine(options);
    fanbord::qt::QtPlatform platform(engine);
    fanbord::Fanbord form(platform);
    platform.connect(form);
    if (argc < 2) {
        std::fprintf(stderr, "usage: app_bench PROGRAM-FOLDER (holding the built media files)\n");
        return 2;
    }
    form.AppPath = fanbord::appPathFrom(argv[1], platform.folderSeparator());
    form.Init();
    platform.showWindow();
    QCoreApplication::processEvents();
    const auto shown = Clock::now();
    std::printf("launch -> window shown       %8.1f ms\n", ms(launch, shown));

    QTimer::singleShot(0, [&] {
        engine.soundFont(); // its loading is start-up's cost, not the Sleep's
        std::printf("cpu during a 10 s Sleep      %8.2f %% of a core\n", cpuShare([&] { form.Sleep(10.0); }));
        sleepOvershoot(form);
        inputLatency(form);

        form.CurrentFile = form.tables.MediaFile[fanbord::kGivAkt];
        auto t0 = Clock::now();
        form.StartPlay();
        std::printf("first StartPlay (call)       %8.2f ms\n", ms(t0, Clock::now()));
        // The call plays out by itself, as in the ceremony; then its pause.
        form.Sleep(form.Player->duration() + 0.5);
        std::printf("cpu in a pause after a piece %8.2f %% of a core\n", cpuShare([&] { form.Sleep(4.0); }));
        form.CurrentFile = form.tables.MediaFile[22];
        t0 = Clock::now();
        form.StartPlay();
        std::printf("StartPlay (anthem)           %8.2f ms\n", ms(t0, Clock::now()));
        std::printf("cpu while an anthem plays    %8.2f %% of a core\n", cpuShare([&] { form.Sleep(10.0); }));
        form.StopPlay();
        form.Player.reset();
        QTimer::singleShot(0, [&] {
            const double cpu0 = cpuSeconds();
            const auto t1 = Clock::now();
            QTimer::singleShot(10000, [&, cpu0, t1] {
                std::printf("cpu when idle                %8.2f %% of a core\n",
                            (cpuSeconds() - cpu0) / (ms(t1, Clock::now()) / 1000.0) * 100.0);
                std::printf("peak RSS                     %8.1f MB\n", peakRssKb() / 1024.0);
                std::fflush(stdout);
                std::_Exit(0);
            });
        });
    });
    return app.exec();
}
