#include "poll/poll_cycle.h"

#include "link/frames.h"
#include "link/link.h"

namespace velmorix {

namespace {
constexpr qint32 kAxisGroupFirst[] = {12021, 12141, 12121}; // Coordinate, PsCounter, FollowError
} // namespace

PollCycle::PollCycle(ConsoleState& state, Link& link) : m_state(state), m_link(link) {}

QByteArray PollCycle::MonitorRequestData() const {
    const ReportBlock& b = m_state.block;
    QList<qint32> addresses;
    const int group = (b.MonitorGroup >= 0 && b.MonitorGroup < 3) ? b.MonitorGroup : 0;
    for (int i = 0; i < 9; ++i)
        addresses << kAxisGroupFirst[group] + i;
    addresses << 10993 << 10994 << 10995 << 10996;
    for (qint32 i = 0; i < b.PollBlockCount; ++i)
        addresses << b.PollBlockStart + i;
    addresses << 10991;
    return frames::MonitorData(addresses);
}

void PollCycle::SendMonitorRequest() {
    m_link.SendMonitorRequest(MonitorRequestData());
    m_state.block.PollItemStart = m_state.block.PollBlockStart;
    m_state.block.PollItemCount = m_state.block.PollBlockCount + 14;
}

void PollCycle::Timer2Timer() {
    ++TickCount;
    if (!m_state.line.LinkUp) {
        if (m_hooks.blankLiveDisplay)
            m_hooks.blankLiveDisplay();
        return;
    }
    if (m_state.block.PollBlockChanged) {
        SendMonitorRequest();
        m_state.block.PollBlockChanged = false;
    }
}

} // namespace velmorix
