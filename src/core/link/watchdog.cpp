#include "core/link/watchdog.h"

#include "core/link/link.h"

namespace velmorix {

Watchdog::Watchdog(ConsoleState& state, Link& link, Hooks hooks)
    : m_state(state), m_link(link), m_hooks(std::move(hooks)) {}

void Watchdog::Timer3Timer() {
    WatchdogState& w = m_state.watchdog;
    TransferFlags& t = m_state.transfer;
    MainView& view = m_state.view;
    ++w.WatchdogTicks;

    if ((!m_state.line.LinkUp || w.ResetPending) && !t.Sending) {
        view.EditKeyIn = QStringLiteral("; .. DSR Off --> Break .. ;");
        t.RecvRequested = t.SendRequested = t.RecvBody = t.Sending = false;
        m_hooks.setOperationEnabled(true);
        m_hooks.stopTimer3();
        m_hooks.stopTimer1();
        w.ResetPending = false;
        return;
    }

    if (w.WatchdogTicks > w.WatchdogLimit) {
        if (t.RecvRequested) {
            view.EditKeyIn = QStringLiteral("; .. Wait ACK => Time Out .. ;");
            t.RecvRequested = false;
            m_hooks.setOperationEnabled(true);
            t.RxText.clear();
        }
        if (t.SendRequested || t.ArmSending) {
            view.EditKeyIn = QStringLiteral("; .. Wait CTS => Time Out .. ;");
            t.SendRequested = false;
            m_hooks.setOperationEnabled(true);
            t.RxText.clear();
            m_link.SendAbortMark();
        }
        m_hooks.stopTimer3();
        return;
    }

    view.EditKeyIn = QStringLiteral("; .. Shaking .. ") + QString::number(w.WatchdogTicks);
}

} // namespace velmorix
