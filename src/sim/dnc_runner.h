#pragma once

#include <QByteArray>
#include <QList>
#include <functional>

namespace velmorix::sim {

// A program fed line by line: lines wait in a buffer and run one after another at a set rate; the
// runner asks for XOFF when the buffer reaches its high mark and for XON once it is down to its low
// mark.
class DncRunner {
public:
    struct Marks {
        int high = 8;
        int low = 3;
        int capacity = 32; // lines beyond it are lost and counted
    };
    // Runs a line; returns when the motion it started ends (a line lasts at least that long).
    using Execute = std::function<qint64(const QByteArray& line, qint64 atUs)>;

    void start(const Marks& marks);
    void abort();
    bool active() const { return m_active; }

    // A line has arrived; returns the flow byte to send at once (XOFF) or 0.
    char push(const QByteArray& line, qint64 atUs, int lineMs, const Execute& execute);
    // The DC4 that ends the program has arrived.
    void end() { m_ended = true; }
    // Runs the lines due up to atUs; returns the flow byte to send (XON) or 0. The runner turns
    // inactive once the program has ended and every line has run.
    char advance(qint64 atUs, int lineMs, const Execute& execute);
    qint64 nextEventUs() const;

    int buffered() const { return static_cast<int>(m_buffer.size()); }
    bool holding() const { return m_xoffSent; }
    int lost() const { return m_lost; }
    const QList<QByteArray>& executed() const { return m_executed; }

private:
    void startNext(qint64 atUs, int lineMs, const Execute& execute);

    Marks m_marks;
    bool m_active = false;
    bool m_ended = false;
    bool m_xoffSent = false;
    bool m_running = false; // the front line is running until m_doneUs
    qint64 m_doneUs = 0;
    QList<QByteArray> m_buffer; // the running line first
    QList<QByteArray> m_executed;
    int m_lost = 0;
};

} // namespace velmorix::sim
