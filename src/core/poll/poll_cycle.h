#pragma once

#include "core/app/state.h"
#include "core/poll/status_decoder.h"
#include "core/poll/status_ring.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

namespace velmorix {

class Link;

// The 100 ms poll tick: subscribes the controller to the current variable list, reads what it
// streams back, finds and decodes the newest status frame, and routes bytes to the file transfer
// while one is under way.
class PollCycle {
public:
    struct Hooks {
        std::function<void()> blankPage;   // the current page's values, while the link is down
        std::function<void()> refreshPage; // after an accepted frame
        std::function<void()> receiveBody; // a requested file's body is arriving in RxText
        std::function<void()> startSend;   // the controller agreed to take the file
        std::function<void(const QString&)> portError;
    };

    PollCycle(ConsoleState& state, Link& link, Clock& clock, const QStringList& errorTexts);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    void Timer2Timer();

    // Data of the monitor request for the current axis group and report block.
    QByteArray MonitorRequestData() const;
    void SendMonitorRequest();
    // Appends bytes to the ring, wrapping through the tail.
    void AppendToRing(const QByteArray& bytes);
    void BlankLiveDisplay();

    StatusRing& ring() { return m_ring; }

    quint32 TickCount = 0;
    qint32 RxByteCount = 0;
    qint32 RateElapsed = 0;

private:
    void takeSnapshot();
    void computeRate();
    void framePath();

    ConsoleState& m_state;
    Link& m_link;
    Clock& m_clock;
    StatusDecoder m_decoder;
    Hooks m_hooks;
    StatusRing m_ring;
    int m_snapSecond = 0, m_snapMs = 0, m_prevSecond = 0, m_prevMs = 0;
};

} // namespace velmorix
