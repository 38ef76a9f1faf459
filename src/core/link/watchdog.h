#pragma once

#include <QtGlobal>

namespace velmorix {

// The handshake watchdog's count: once a second while a transfer waits for the controller it counts,
// and it says when the wait is to break (the controller went away, or the operator pressed Reset) or
// has timed out. It owns its count, its limit and the operator's Reset; what a break or a time-out
// does to a transfer is the transfer's business.
class Watchdog {
public:
    enum class Tick { Waiting, Break, TimedOut };

    // Starts supervising an operation: count from 0 with the given limit.
    void arm(qint32 limit);
    // Progress: the limit moves ten ticks past the current count.
    void feed();
    // More time for a long step (each frame of the 8-bit upload).
    void extend(qint32 ticks) { m_limit += ticks; }
    // Reset: the next tick breaks whatever waits; a new operation starts without it.
    void requestBreak() { m_resetPending = true; }
    void clearBreak() { m_resetPending = false; }

    // One second: counts, then a break if the controller is away or Reset was pressed (a running
    // send is ended by its own pump), a time-out past the limit, else still waiting.
    Tick tick(bool linkUp, bool sending);

    qint32 WatchdogTicks() const { return m_ticks; }
    qint32 WatchdogLimit() const { return m_limit; }
    bool ResetPending() const { return m_resetPending; }

private:
    qint32 m_ticks = 0;
    qint32 m_limit = 10;
    bool m_resetPending = false;
};

} // namespace velmorix
