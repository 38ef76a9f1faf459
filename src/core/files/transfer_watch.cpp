#include "core/files/transfer_watch.h"

#include "core/base/message_line.h"
#include "core/base/state.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "platform/clock.h"

namespace velmorix {

TransferWatch::TransferWatch(const ConsoleState& state, Watchdog& watchdog, Transfer& transfer,
                             MessageLine& message, Link& link, Timer& timer3, Timer& timer1, Hooks hooks)
    : m_state(state), m_watchdog(watchdog), m_transfer(transfer), m_message(message), m_link(link),
      m_timer3(timer3), m_timer1(timer1), m_hooks(std::move(hooks)) {}

void TransferWatch::Timer3Timer() {
    switch (m_watchdog.tick(m_state.line.LinkUp, m_transfer.Sending())) {
    case Watchdog::Tick::Break:
        breakOff();
        break;
    case Watchdog::Tick::TimedOut:
        timedOut();
        break;
    case Watchdog::Tick::Waiting:
        m_message.progress(QStringLiteral("; .. Shaking .. ") + QString::number(m_watchdog.WatchdogTicks()));
        break;
    }
}

void TransferWatch::breakOff() {
    const bool linkUp = m_state.line.LinkUp;
    // Said as it happened: the operator's Reset while the controller is there, else the lost line.
    // A run that broke off has already said where to resume; that stays in view.
    m_message.watchdogNote(linkUp ? QStringLiteral("; .. Reset --> Break .. ;")
                                  : QStringLiteral("; .. DSR Off --> Break .. ;"));
    m_transfer.abort();
    m_transfer.reportFailure(linkUp ? QStringLiteral("reset") : QStringLiteral("link lost (DSR off)"));
    m_hooks.setOperationEnabled(true);
    m_timer3.setEnabled(false);
    m_timer1.setEnabled(false);
}

void TransferWatch::timedOut() {
    if (m_transfer.RecvRequested()) {
        m_message.watchdogNote(QStringLiteral("; .. Wait ACK => Time Out .. ;"));
        m_transfer.receiveTimedOut();
        m_transfer.reportFailure(QStringLiteral("no answer to the announcement"));
        m_hooks.setOperationEnabled(true);
    }
    if (m_transfer.SendRequested() || m_transfer.ArmSending()) {
        m_message.watchdogNote(QStringLiteral("; .. Wait CTS => Time Out .. ;"));
        const bool wasSending = m_transfer.Sending();
        m_transfer.sendTimedOut();
        if (!m_transfer.ArmSending())
            m_transfer.reportFailure(wasSending
                                         ? QStringLiteral("the controller stopped taking the file (CTS off)")
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
}

} // namespace velmorix
