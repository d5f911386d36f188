#include "app/quit_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tonvarra::app {
namespace {

int gPipe[2] = {-1, -1};

// Only async-signal-safe calls here: one byte into the pipe.
void OnSignal(int signalNumber) {
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(gPipe[0], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0) {
        return;
    }
    notifier_ = new QSocketNotifier(gPipe[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(gPipe[1], &byte, 1) == 1) {
            Q_EMIT received(static_cast<unsigned char>(byte));
        }
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

QuitSignals::~QuitSignals() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    if (gPipe[0] >= 0) {
        ::close(gPipe[0]);
        ::close(gPipe[1]);
        gPipe[0] = gPipe[1] = -1;
    }
}

} // namespace tonvarra::app
