#include "core/base/hold.h"

namespace velmorix {

struct Hold::Guarded {
    std::function<void()> handler;
    std::unique_ptr<Timer> timer;
    bool due = false;
};

// The timer handed out by Hold: the clock's timer inside, registered with the hold while it lives.
class HeldTimer final : public Timer {
public:
    HeldTimer(Hold& hold, Hold::Guarded* guarded) : m_hold(hold), m_guarded(guarded) {}
    ~HeldTimer() override {
        m_hold.m_guarded.removeOne(m_guarded);
        delete m_guarded;
    }
    void setInterval(int ms) override { m_guarded->timer->setInterval(ms); }
    int interval() const override { return m_guarded->timer->interval(); }
    void setEnabled(bool on) override { m_guarded->timer->setEnabled(on); }
    bool isEnabled() const override { return m_guarded->timer->isEnabled(); }
    void setSingleShot(bool singleShot) override { m_guarded->timer->setSingleShot(singleShot); }

private:
    Hold& m_hold;
    Hold::Guarded* m_guarded;
};

Hold::Hold(Clock& clock) : m_clock(clock) {
    m_timer = m_clock.createTimer(1, [this] { finish(); });
    m_timer->setSingleShot(true);
}

// Every held timer is gone before its hold: they are made after it by its owner.
Hold::~Hold() = default;

std::unique_ptr<Timer> Hold::createTimer(int intervalMs, std::function<void()> handler) {
    auto* g = new Guarded;
    g->handler = std::move(handler);
    g->timer = m_clock.createTimer(intervalMs, [this, g] {
        if (m_holding)
            g->due = true;
        else
            g->handler();
    });
    m_guarded << g;
    return std::make_unique<HeldTimer>(*this, g);
}

void Hold::pause(int ms, std::function<void()> then) {
    m_queue.append({ms, std::move(then)});
    if (m_holding)
        return;
    startNext();
    if (m_onHold)
        m_onHold();
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
    // Each held timer that fell due runs once, as a window-system timer coalesces its ticks. A
    // handler may destroy timers, so the list is walked by copy and looked up again each time.
    const QList<Guarded*> guarded = m_guarded;
    for (Guarded* g : guarded) {
        if (!m_guarded.contains(g) || !g->due)
            continue;
        g->due = false;
        if (g->timer->isEnabled())
            g->handler();
    }
    if (!m_holding && m_onRelease)
        m_onRelease();
}

} // namespace velmorix
