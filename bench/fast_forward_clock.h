#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>
#include <QList>
#include <memory>

namespace velmorix::bench {

// A clock that runs in real time, as QtClock does (every timer a precise QTimer on the event loop),
// and can leave real time to fast-forward: then time moves only by advance(), every timer firing in
// order at its due time as on ManualClock, without waiting. Back in real time it goes on from where
// the fast-forward stopped. A long run (a million DNC lines, a 10 MiB body) is then watched in real
// time where it matters (its start, its end) without waiting half an hour for the middle, which the
// console runs through exactly as it would: the same timers, the same bytes at the same line times.
class FastForwardClock final : public Clock {
public:
    FastForwardClock();
    ~FastForwardClock() override;

    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) override;
    qint64 nowUs() const override;
    QTime timeOfDay() const override;
    QDateTime localDateTime() const override;

    bool live() const { return m_live; }
    // Leaves real time: each running timer keeps what remained of its period.
    void stopLive();
    // Moves simulated time forward, firing every timer that falls due on the way.
    void advanceUs(qint64 us);
    void advance(qint64 ms) { advanceUs(ms * 1000); }
    // Back to real time; each enabled timer starts a fresh period.
    void goLive();

    struct Entry;

private:
    friend class FastForwardTimer;
    QList<Entry*> m_entries;
    bool m_live = true;
    qint64 m_baseUs = 0; // time when real time last resumed
    QElapsedTimer m_elapsed;
    qint64 m_nowUs = 0; // simulated time while not live
    qint64 m_sequence = 0;
    QDateTime m_start;
};

} // namespace velmorix::bench
