#include "core/link/watchdog.h"

namespace velmorix {

namespace {
constexpr qint32 kFeedTicks = 10;
} // namespace

void Watchdog::arm(qint32 limit) {
    m_ticks = 0;
    m_limit = limit;
}

void Watchdog::feed() {
    m_limit = m_ticks + kFeedTicks;
}

Watchdog::Tick Watchdog::tick(bool linkUp, bool sending) {
    ++m_ticks;
    if ((!linkUp || m_resetPending) && !sending) {
        m_resetPending = false;
        return Tick::Break;
    }
    if (m_ticks > m_limit)
        return Tick::TimedOut;
    return Tick::Waiting;
}

} // namespace velmorix
