// Stop requests on Linux and other POSIX systems: a signal handler writes the signal to a socket
// pair, whose other end the event loop watches.
#include "platform/stop_requests.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace velmorix {

namespace {
int g_fds[2] = {-1, -1};

void onSignal(int signal) {
    const char b = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(g_fds[0], &b, 1);
}
} // namespace

struct StopRequests::Os {
    QSocketNotifier* notifier = nullptr;
};

StopRequests::StopRequests(QObject* parent) : QObject(parent), m_os(new Os) {
    if (g_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    m_os->notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_os->notifier, &QSocketNotifier::activated, this, [this] {
        char b = 0;
        if (::read(g_fds[1], &b, 1) == 1)
            deliver(b == SIGTERM ? kTerminated : kInterrupted);
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

StopRequests::~StopRequests() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete m_os;
}

bool stderrIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

} // namespace velmorix
