#pragma once

#include "platform/clock.h"

#include <QElapsedTimer>

namespace velmorix {

// The program's clock: QTimer on the event loop.
class QtClock final : public Clock {
public:
    QtClock();
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> onTick) override;
    qint64 nowUs() const override;
    QTime timeOfDay() const override;
    QDateTime localDateTime() const override;
    void waitUs(qint64 us) override;

private:
    QElapsedTimer m_elapsed;
};

} // namespace velmorix
