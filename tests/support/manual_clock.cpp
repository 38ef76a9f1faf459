#include "support/manual_clock.h"

#include "support/timer_steps.h"

#include <algorithm>

namespace velmorix::test {

struct ManualClock::Entry {
    std::function<void()> onTick;
    int intervalMs = 0;
    bool enabled = false;
    bool singleShot = false;
    qint64 dueUs = 0;
    qint64 order = 0; // creation order, breaks ties between timers due at the same time
};

class ManualTimer final : public Timer {
public:
    ManualTimer(ManualClock& clock, ManualClock::Entry* entry) : m_clock(clock), m_entry(entry) {}
    ~ManualTimer() override {
        m_clock.m_entries.removeOne(m_entry);
        delete m_entry;
    }
    void setInterval(int ms) override {
        m_entry->intervalMs = ms;
        if (m_entry->enabled)
            m_entry->dueUs = m_clock.m_nowUs + qint64(ms) * 1000;
    }
    int interval() const override { return m_entry->intervalMs; }
    void setEnabled(bool on) override {
        if (on && !m_entry->enabled)
            m_entry->dueUs = m_clock.m_nowUs + qint64(m_entry->intervalMs) * 1000;
        m_entry->enabled = on;
    }
    bool isEnabled() const override { return m_entry->enabled; }
    void setSingleShot(bool singleShot) override { m_entry->singleShot = singleShot; }

private:
    ManualClock& m_clock;
    ManualClock::Entry* m_entry;
};

ManualClock::ManualClock(QTime timeOfDay, QDate date) : m_start(timeOfDay), m_date(date) {}

ManualClock::~ManualClock() = default;

std::unique_ptr<Timer> ManualClock::createTimer(int intervalMs, std::function<void()> onTick) {
    auto* e = new Entry;
    e->onTick = std::move(onTick);
    e->intervalMs = intervalMs;
    e->order = m_sequence++;
    m_entries << e;
    return std::make_unique<ManualTimer>(*this, e);
}

QTime ManualClock::timeOfDay() const {
    return m_start.addMSecs(static_cast<int>((m_nowUs / 1000) % 86400000));
}

QDateTime ManualClock::localDateTime() const {
    return QDateTime(m_date, m_start).addMSecs(m_nowUs / 1000);
}

void ManualClock::advanceUs(qint64 us) {
    stepTimers(m_entries, m_nowUs, m_nowUs + us);
}

} // namespace velmorix::test
