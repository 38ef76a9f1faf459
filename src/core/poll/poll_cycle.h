#pragma once

#include "app/state.h"
#include "poll/status_ring.h"

#include <QByteArray>
#include <functional>

namespace velmorix {

class Link;

// The 100 ms poll tick: subscribes the controller to the current variable list and reads what it
// streams back.
class PollCycle {
public:
    struct Hooks {
        std::function<void()> blankLiveDisplay;
    };

    PollCycle(ConsoleState& state, Link& link);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    void Timer2Timer();

    // Data of the monitor request for the current axis group and report block.
    QByteArray MonitorRequestData() const;
    void SendMonitorRequest();

    StatusRing& ring() { return m_ring; }
    quint32 TickCount = 0;

private:
    ConsoleState& m_state;
    Link& m_link;
    Hooks m_hooks;
    StatusRing m_ring;
};

} // namespace velmorix
