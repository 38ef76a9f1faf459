#pragma once

#include "platform/clock.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>

namespace velmorix {

// Decides when the window is told to repaint. An operator's call tells it once, when the outermost
// call returns, however many areas it went through. Timer-driven work (the poll tick, the pump, the
// gauge of a load, the end of a pause) only marks the window stale; it hears of it at most every
// kIntervalMs, so a 1 ms pump never renders a thousand times a second. A window that has not been
// told for that long hears of it on the next turn of the event loop, so a value that arrives with a
// poll tick shows at once rather than kIntervalMs later.
class RepaintGate {
public:
    static constexpr int kIntervalMs = 40;

    RepaintGate(Clock& clock, std::function<void()> repaint) : m_clock(clock), m_repaint(std::move(repaint)) {
        m_timer = clock.createTimer(kIntervalMs, [this] { flush(); });
        m_timer->setSingleShot(true);
    }

    template <typename F> void operatorCall(F&& f) {
        ++m_depth;
        f();
        if (--m_depth == 0)
            flush();
    }

    template <typename F> void timedCall(F&& f) {
        ++m_depth;
        f();
        --m_depth;
        stale();
    }

    // Something changed outside an operator's call; the window hears of it kIntervalMs after it last
    // did, and on the next turn of the event loop when that is past.
    void stale() {
        m_stale = true;
        if (m_timer->isEnabled())
            return;
        const qint64 sinceMs = (m_clock.nowUs() - m_lastUs) / 1000;
        m_timer->setInterval(static_cast<int>(std::clamp<qint64>(kIntervalMs - sinceMs, 0, kIntervalMs)));
        m_timer->setEnabled(true);
    }

    // The window is told now; a pending timed repaint is dropped.
    void flush() {
        m_timer->setEnabled(false);
        m_stale = false;
        m_lastUs = m_clock.nowUs();
        ++m_repaints;
        m_repaint();
    }

    qint64 repaints() const { return m_repaints; }

private:
    Clock& m_clock;
    std::function<void()> m_repaint;
    std::unique_ptr<Timer> m_timer;
    int m_depth = 0;
    bool m_stale = false;
    qint64 m_repaints = 0;
    qint64 m_lastUs = std::numeric_limits<qint64>::min() / 2; // the last repaint
};

} // namespace velmorix
