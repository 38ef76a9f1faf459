#pragma once

#include <QObject>

namespace velmorix {

// The operating system asking the program to stop: Ctrl-C and SIGTERM on Linux, Ctrl-C, Ctrl-Break
// and closing the console window on Windows. Each arrives on the event loop as `requested` with the
// exit status a program stopped by it gives: 130 for an interrupt, 143 for a termination. One object
// a program; the handler it installs only hands the request over.
class StopRequests : public QObject {
    Q_OBJECT
public:
    static constexpr int kInterrupted = 130;
    static constexpr int kTerminated = 143;

    explicit StopRequests(QObject* parent = nullptr);
    ~StopRequests() override;

signals:
    void requested(int exitStatus);

private:
    void deliver(int exitStatus) { emit requested(exitStatus); }
    struct Os;
    Os* m_os = nullptr;
};

// Whether standard error is a terminal (progress lines are drawn only there).
bool stderrIsTerminal();

} // namespace velmorix
