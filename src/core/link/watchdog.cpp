#include "core/link/watchdog.h"

#include "core/app/message_line.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "platform/clock.h"

namespace velmorix {

namespace {
constexpr qint32 kFeedTicks = 10;
} // namespace

Watchdog::Watchdog(ConsoleState& state, Transfer& transfer, MessageLine& message, Link& link, Timer& timer3,
                   Timer& timer1, Hooks hooks)
    : m_state(state), m_transfer(transfer), m_message(message), m_link(link), m_timer3(timer3),
      m_timer1(timer1), m_hooks(std::move(hooks)) {}

void Watchdog::arm(qint32 limit) {
    m_state.watchdog.WatchdogTicks = 0;
    m_state.watchdog.WatchdogLimit = limit;
}

void Watchdog::feed() {
    m_state.watchdog.WatchdogLimit = m_state.watchdog.WatchdogTicks + kFeedTicks;
}

void Watchdog::Timer3Timer() {
    WatchdogState& w = m_state.watchdog;
    ++w.WatchdogTicks;

    if ((!m_state.line.LinkUp || w.ResetPending) && !m_transfer.Sending()) {
        // Said as it happened: the operator's Reset while the controller is there, else the lost line.
        // A run that broke off has already said where to resume; that stays in view.
        m_message.showUnlessHeld(m_state.line.LinkUp ? QStringLiteral("; .. Reset --> Break .. ;")
                                                     : QStringLiteral("; .. DSR Off --> Break .. ;"));
        m_transfer.abort();
        m_transfer.reportFailure(m_state.line.LinkUp ? QStringLiteral("reset")
                                                     : QStringLiteral("link lost (DSR off)"));
        m_hooks.setOperationEnabled(true);
        m_timer3.setEnabled(false);
        m_timer1.setEnabled(false);
        w.ResetPending = false;
        return;
    }

    if (w.WatchdogTicks > w.WatchdogLimit) {
        if (m_transfer.RecvRequested()) {
            m_message.show(QStringLiteral("; .. Wait ACK => Time Out .. ;"));
            m_transfer.receiveTimedOut();
            m_transfer.reportFailure(QStringLiteral("no answer to the announcement"));
            m_hooks.setOperationEnabled(true);
        }
        if (m_transfer.SendRequested() || m_transfer.ArmSending()) {
            m_message.show(QStringLiteral("; .. Wait CTS => Time Out .. ;"));
            const bool wasSending = m_transfer.Sending();
            m_transfer.sendTimedOut();
            if (!m_transfer.ArmSending())
                m_transfer.reportFailure(
                    wasSending ? QStringLiteral("the controller stopped taking the file (CTS off)")
                               : QStringLiteral("no answer to the announcement"));
            m_timer1.setEnabled(false); // nothing more of the send goes out
            m_hooks.setOperationEnabled(true);
            // A send that never started ends with the abort mark; a body already flowing ends with the
            // reset signal, since the controller would take the mark as the end of a whole program.
            if (wasSending)
                m_link.breakBody();
            else
                m_link.sendAbortMark();
        }
        m_timer3.setEnabled(false);
        return;
    }

    m_message.show(QStringLiteral("; .. Shaking .. ") + QString::number(w.WatchdogTicks));
}

} // namespace velmorix
