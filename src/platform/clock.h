#pragma once

#include <QDateTime>
#include <QTime>
#include <functional>
#include <memory>

namespace velmorix {

// A periodic (or single-shot) timer made by a Clock. Like a window-system timer: enabling a stopped
// timer starts a fresh period; enabling a running one changes nothing.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual void setEnabled(bool on) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setSingleShot(bool singleShot) = 0;

    void restart() {
        setEnabled(false);
        setEnabled(true);
    }
};

// Source of time for the engine: timers, a monotonic count and the wall clock's time of day.
// QtClock drives the program; tests drive the engine with a clock they advance by hand.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) = 0;
    // Monotonic time since the clock was made.
    virtual qint64 nowUs() const = 0;
    qint64 nowMs() const { return nowUs() / 1000; }
    // Local time of day (hour, minute, second, millisecond).
    virtual QTime timeOfDay() const = 0;
    // Local date and time.
    virtual QDateTime localDateTime() const = 0;
    // Waits this long on the calling thread: pacing finer than a timer's millisecond, for waits well
    // under one. A clock whose time is stepped by hand does not wait.
    virtual void waitUs(qint64 us) { (void)us; }
};

} // namespace velmorix
