#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace velmorix::sim {

// A program fed line by line: lines wait in the controller's receive buffer and run one after another
// at a set rate. A waiting line holds its characters and the CR that ended it; a line leaves the
// buffer when it starts to run. Flow control and overruns are the controller's, over the whole buffer.
class DncRunner {
public:
    // Runs a line; returns when the motion it started ends (a line lasts at least that long).
    using Execute = std::function<qint64(const QByteArray& line, qint64 atUs)>;

    void start();
    void abort();
    bool active() const { return m_active; }

    // A line has arrived.
    void push(const QByteArray& line, qint64 atUs, int lineMs, const Execute& execute);
    // The DC4 that ends the program has arrived.
    void end() { m_ended = true; }
    // The tape's DC4 came: every line of the program is here, some perhaps still to run.
    bool ended() const { return m_ended; }
    // Runs the lines due up to atUs. The runner turns inactive once the program has ended and every
    // line has run.
    void advance(qint64 atUs, int lineMs, const Execute& execute);
    qint64 nextEventUs() const;

    // Lines that have arrived and not yet started, and the bytes they hold in the buffer.
    int waitingLines() const { return static_cast<int>(m_waiting.size()); }
    qint64 waitingBytes() const { return m_waitingBytes; }
    // Every line started so far, the running one last.
    const QList<QByteArray>& executed() const { return m_executed; }
    qsizetype executedCount() const { return m_executedCount; }
    // Whether the lines run are kept for executed(); a run of hours counts them only.
    void setKeepExecuted(bool keep) { m_keepExecuted = keep; }

private:
    void startNext(qint64 atUs, int lineMs, const Execute& execute);

    bool m_active = false;
    bool m_ended = false;
    bool m_running = false; // the last executed line is running until m_doneUs
    qint64 m_doneUs = 0;
    QList<QByteArray> m_waiting;
    qint64 m_waitingBytes = 0;
    QList<QByteArray> m_executed;
    qsizetype m_executedCount = 0;
    bool m_keepExecuted = true;
};

} // namespace velmorix::sim
