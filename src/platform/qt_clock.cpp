#include "platform/qt_clock.h"

#include <QTimer>

#include <chrono>
#include <thread>

namespace velmorix {

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, std::function<void()> onTick) {
        m_timer.setInterval(intervalMs);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [fn = std::move(onTick)] { fn(); });
    }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    void setEnabled(bool on) override {
        if (on && !m_timer.isActive())
            m_timer.start();
        else if (!on)
            m_timer.stop();
    }
    bool isEnabled() const override { return m_timer.isActive(); }
    void setSingleShot(bool singleShot) override { m_timer.setSingleShot(singleShot); }

private:
    QTimer m_timer;
};

} // namespace

QtClock::QtClock() {
    m_elapsed.start();
}

std::unique_ptr<Timer> QtClock::createTimer(int intervalMs, std::function<void()> onTick) {
    return std::make_unique<QtTimer>(intervalMs, std::move(onTick));
}

qint64 QtClock::nowUs() const {
    return m_elapsed.nsecsElapsed() / 1000;
}

QTime QtClock::timeOfDay() const {
    return QTime::currentTime();
}

QDateTime QtClock::localDateTime() const {
    return QDateTime::currentDateTime();
}

void QtClock::waitUs(qint64 us) {
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

} // namespace velmorix
