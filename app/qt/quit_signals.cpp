#include "app/qt/quit_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fanbord::qt {

namespace {

// The handler may interrupt any thread at any point: all it may do is write
// a byte, which the event loop then reads on the interface thread.
int wakeFd = -1;

void onQuitSignal(int signal) {
    const int saved = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = write(wakeFd, &byte, 1); // a full pipe already holds a request
    errno = saved;
}

} // namespace

void unloadOnSignals(Platform& platform) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::fprintf(stderr, "fanbord: signals end the program at once (%s)\n", std::strerror(errno));
        return;
    }
    wakeFd = fds[1];
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [&platform] { platform.unloadWindow(); });
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

} // namespace fanbord::qt
