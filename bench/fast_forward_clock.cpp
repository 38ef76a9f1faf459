#include "fast_forward_clock.h"

#include "support/timer_steps.h"

#include <QTimer>
#include <algorithm>

namespace velmorix::bench {

struct FastForwardClock::Entry {
    std::function<void()> onTick;
    int intervalMs = 0;
    bool singleShot = false;
    // While fast-forwarding: whether it runs and when it falls due.
    bool enabled = false;
    qint64 dueUs = 0;
    qint64 order = 0; // creation order, breaks ties between timers due at the same time
    // In real time.
    std::unique_ptr<QTimer> timer;
};

class FastForwardTimer final : public Timer {
public:
    FastForwardTimer(FastForwardClock& clock, FastForwardClock::Entry* entry)
        : m_clock(clock), m_entry(entry) {}
    ~FastForwardTimer() override {
        m_clock.m_entries.removeOne(m_entry);
        delete m_entry;
    }
    void setInterval(int ms) override {
        m_entry->intervalMs = ms;
        if (m_clock.m_live)
            m_entry->timer->setInterval(ms);
        else if (m_entry->enabled)
            m_entry->dueUs = m_clock.m_nowUs + qint64(ms) * 1000;
    }
    int interval() const override { return m_entry->intervalMs; }
    void setEnabled(bool on) override {
        if (m_clock.m_live) {
            if (on && !m_entry->timer->isActive())
                m_entry->timer->start();
            else if (!on)
                m_entry->timer->stop();
            return;
        }
        if (on && !m_entry->enabled)
            m_entry->dueUs = m_clock.m_nowUs + qint64(m_entry->intervalMs) * 1000;
        m_entry->enabled = on;
    }
    bool isEnabled() const override { return m_clock.m_live ? m_entry->timer->isActive() : m_entry->enabled; }
    void setSingleShot(bool singleShot) override {
        m_entry->singleShot = singleShot;
        m_entry->timer->setSingleShot(singleShot);
    }

private:
    FastForwardClock& m_clock;
    FastForwardClock::Entry* m_entry;
};

FastForwardClock::FastForwardClock() : m_start(QDateTime::currentDateTime()) {
    m_elapsed.start();
}

FastForwardClock::~FastForwardClock() = default;

std::unique_ptr<Timer> FastForwardClock::createTimer(int intervalMs, std::function<void()> onTick) {
    auto* e = new Entry;
    e->onTick = std::move(onTick);
    e->intervalMs = intervalMs;
    e->order = m_sequence++;
    e->timer = std::make_unique<QTimer>();
    e->timer->setInterval(intervalMs);
    e->timer->setTimerType(Qt::PreciseTimer);
    // The handler is held by the connection, so a handler that destroys its own timer is safe.
    QObject::connect(e->timer.get(), &QTimer::timeout, [fn = e->onTick] { fn(); });
    m_entries << e;
    return std::make_unique<FastForwardTimer>(*this, e);
}

qint64 FastForwardClock::nowUs() const {
    return m_live ? m_baseUs + m_elapsed.nsecsElapsed() / 1000 : m_nowUs;
}

QTime FastForwardClock::timeOfDay() const {
    return localDateTime().time();
}

QDateTime FastForwardClock::localDateTime() const {
    return m_start.addMSecs(nowUs() / 1000);
}

void FastForwardClock::stopLive() {
    if (!m_live)
        return;
    m_nowUs = nowUs();
    m_live = false;
    for (Entry* e : std::as_const(m_entries)) {
        e->enabled = e->timer->isActive();
        if (e->enabled)
            e->dueUs = m_nowUs + qint64(std::max(e->timer->remainingTime(), 0)) * 1000;
        e->timer->stop();
    }
}

void FastForwardClock::goLive() {
    if (m_live)
        return;
    m_baseUs = m_nowUs;
    m_elapsed.restart();
    m_live = true;
    for (Entry* e : std::as_const(m_entries)) {
        if (e->enabled) {
            e->timer->setInterval(e->intervalMs);
            e->timer->start();
        }
        e->enabled = false;
    }
}

void FastForwardClock::advanceUs(qint64 us) {
    if (m_live)
        return;
    test::stepTimers(m_entries, m_nowUs, m_nowUs + us);
}

} // namespace velmorix::bench
