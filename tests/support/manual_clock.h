#pragma once

#include "platform/clock.h"

#include <QList>
#include <memory>

namespace velmorix::test {

// A clock that moves only when a test advances it. Timers fire in time order (ties in the order the
// timers were made), each at its exact due time, so every exchange is repeatable.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QTime timeOfDay = QTime(10, 0, 0), QDate date = QDate(2026, 1, 5));
    ~ManualClock() override;

    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) override;
    qint64 nowUs() const override { return m_nowUs; }
    QTime timeOfDay() const override;
    QDateTime localDateTime() const override;

    // Moves time forward, firing every timer that falls due on the way.
    void advanceUs(qint64 us);
    void advance(qint64 ms) { advanceUs(ms * 1000); }
    // Runs timers that are due now (interval 0) without moving time.
    void settle() { advanceUs(0); }

    struct Entry;

private:
    friend class ManualTimer;
    QList<Entry*> m_entries;
    qint64 m_nowUs = 0;
    qint64 m_sequence = 0;
    QTime m_start;
    QDate m_date;
};

} // namespace velmorix::test
