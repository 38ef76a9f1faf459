#include "core/app/hold.h"

namespace velmorix {

Hold::Hold(Clock& clock) : m_clock(clock) {
    m_timer = m_clock.createTimer(1, [this] { finish(); });
    m_timer->setSingleShot(true);
}

std::unique_ptr<Timer> Hold::createTimer(int intervalMs, std::function<void()> handler) {
    auto g = std::make_shared<Guarded>();
    g->handler = std::move(handler);
    auto timer = m_clock.createTimer(intervalMs, [this, g] {
        if (m_holding)
            g->due = true;
        else
            g->handler();
    });
    g->timer = timer.get();
    m_guarded << g;
    return timer;
}

void Hold::pause(int ms, std::function<void()> then) {
    m_queue.append({ms, std::move(then)});
    if (!m_holding)
        startNext();
}

void Hold::startNext() {
    auto [ms, then] = m_queue.takeFirst();
    m_then = std::move(then);
    m_holding = true;
    m_timer->setEnabled(false);
    m_timer->setInterval(ms);
    m_timer->setEnabled(true);
}

void Hold::finish() {
    auto then = std::move(m_then);
    m_then = nullptr;
    if (then)
        then();
    if (m_onResume)
        m_onResume();
    if (!m_queue.isEmpty()) {
        startNext();
        return;
    }
    m_holding = false;
    // Each held timer that fell due runs once, as a window-system timer coalesces its ticks.
    for (const auto& g : m_guarded) {
        if (g->due) {
            g->due = false;
            if (g->timer->isEnabled())
                g->handler();
        }
    }
}

} // namespace velmorix
