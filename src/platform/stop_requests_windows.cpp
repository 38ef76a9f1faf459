// Stop requests on Windows: the console control handler runs on a thread of its own, so it hands the
// request to the event loop with a queued call. Ctrl-C and Ctrl-Break interrupt; closing the console
// window, logging off and shutting down terminate.
#include "platform/stop_requests.h"

#include <QMetaObject>
#include <QPointer>

#include <io.h>
#include <stdio.h>
#include <windows.h>

namespace velmorix {

namespace {
QPointer<StopRequests> g_target;

BOOL WINAPI onControl(DWORD type) {
    const int status = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? StopRequests::kInterrupted
                                                                        : StopRequests::kTerminated;
    if (!g_target)
        return FALSE;
    QMetaObject::invokeMethod(g_target.data(), "requested", Qt::QueuedConnection, Q_ARG(int, status));
    return TRUE;
}
} // namespace

struct StopRequests::Os {};

StopRequests::StopRequests(QObject* parent) : QObject(parent), m_os(new Os) {
    g_target = this;
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

StopRequests::~StopRequests() {
    ::SetConsoleCtrlHandler(onControl, FALSE);
    g_target = nullptr;
    delete m_os;
}

bool stderrIsTerminal() {
    return ::_isatty(::_fileno(stderr)) != 0;
}

} // namespace velmorix
