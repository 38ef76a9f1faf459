#include "core/mdi/mdi.h"

#include "core/base/hold.h"
#include "core/base/message_line.h"
#include "core/base/state.h"
#include "core/files/file_page.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "platform/clock.h"

namespace velmorix {

Mdi::Mdi(ConsoleState& state, MessageLine& message, Link& link, Transfer& transfer, Watchdog& watchdog,
         FilePage& files, Hold& hold, Timer& timerMdi, Timer& timer1)
    : m_state(state), m_message(message), m_link(link), m_transfer(transfer), m_files(files), m_hold(hold),
      m_timerMdi(timerMdi), m_timer1(timer1), m_watchdog(watchdog) {}

QByteArray Mdi::commandOf(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    QString command = text.mid(begin, end - begin);
    if (const qsizetype semicolon = command.indexOf(QLatin1Char(';')); semicolon >= 0)
        command.truncate(semicolon);
    command.remove(QLatin1Char(' '));
    return command.toLatin1();
}

void Mdi::ButtonMDIgoClick() {
    const QString typed = m_message.text();
    if (!typed.isEmpty()) {
        m_timerMdi.restart();
        const QByteArray command = commandOf(typed);
        m_state.LastMdiText = typed;
        if (!command.isEmpty() && m_transfer.dncOwnsLine()) {
            // Refused while a DNC run owns the line: the line says so, and the recall keeps the text.
            m_link.sendMdi(command);
            return;
        }
        if (!command.isEmpty())
            m_link.sendMdi(command);
    }
    m_message.clear();
}

void Mdi::EditKeyInKeyPress(QChar key) {
    m_timerMdi.restart();
    if (key == QLatin1Char('\r'))
        ButtonMDIgoClick();
}

void Mdi::armFlashWrite() {
    m_timerMdi.setInterval(kFlashWaitMs);
    m_flashPending = true;
    m_flashCommand = m_message.text();
    m_timerMdi.restart();
}

void Mdi::cancelFlashWrite() {
    if (!m_flashPending)
        return;
    m_flashPending = false;
    m_flashCommand.clear();
    m_timerMdi.setInterval(kLineMs);
    m_timerMdi.setEnabled(false);
}

void Mdi::TimerMdi_goTimer() {
    if (!m_message.isEmpty()) {
        if (m_files.flashChecked() && m_flashPending) {
            m_message.note(m_flashCommand);
            ButtonMDIgoClick();
            m_state.live.forgetShownError();
            m_files.setFlashChecked(false);
            m_flashPending = false;
            m_timerMdi.setInterval(kLineMs);
            holdForFlashWrite([this] {
                m_message.clear();
                m_timerMdi.setEnabled(false);
            });
            return;
        }
        m_state.LastMdiText = m_message.text();
        m_message.clear();
        m_timerMdi.setEnabled(false);
        return;
    }
    if (m_flashPending) {
        m_flashPending = false;
        holdForFlashWrite();
    }
}

void Mdi::holdForFlashWrite(std::function<void()> then) {
    // The controller writes its flash meanwhile; the line holds still, and its stream is taken afresh.
    m_hold.pause(kFlashWriteMs, [this, then = std::move(then)] {
        m_state.seq.resync();
        if (then)
            then();
    });
}

void Mdi::ButtonMemTextClick() {
    m_timerMdi.restart();
    m_message.typed(m_state.LastMdiText);
}

void Mdi::ButtonClearClick() {
    if (m_state.line.CtsReady && m_state.line.LinkUp)
        m_link.sendMdi("G10P1999L9999");
}

void Mdi::ButtonResetClick() {
    m_watchdog.requestBreak();
    m_timer1.setEnabled(false);
    // The gauge stays where the transfer stopped, so the operator sees how far it came.
    const bool bodyFlowing = m_transfer.Sending();
    m_transfer.abort();
    m_transfer.reportFailure(QStringLiteral("reset"));
    if (bodyFlowing) {
        // The body stops at once: what the port still holds of it is dropped, and the reset signal ends
        // it whatever CTS says, so the controller is never left inside an open body.
        m_link.breakBody();
        m_hold.pause(200, [this] { m_state.block.resubscribe(); });
        return;
    }
    m_link.SendResetSignal([this] { m_state.block.resubscribe(); });
}

} // namespace velmorix
