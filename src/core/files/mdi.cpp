#include "core/files/mdi.h"

#include "core/app/hold.h"
#include "core/app/message_line.h"
#include "core/app/state.h"
#include "core/files/file_page.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "platform/clock.h"

namespace velmorix {

Mdi::Mdi(ConsoleState& state, MessageLine& message, Link& link, Transfer& transfer, FilePage& files,
         Hold& hold, Timer& timerMdi, Timer& timer1)
    : m_state(state), m_message(message), m_link(link), m_transfer(transfer), m_files(files), m_hold(hold),
      m_timerMdi(timerMdi), m_timer1(timer1) {}

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
        if (!command.isEmpty())
            m_link.sendMdi(command);
        m_state.LastMdiText = typed;
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

void Mdi::TimerMdi_goTimer() {
    if (!m_message.isEmpty()) {
        if (m_files.flashChecked() && m_flashPending) {
            m_message.show(m_flashCommand);
            ButtonMDIgoClick();
            m_state.live.LastErrorNumber = 0;
            m_files.setFlashChecked(false);
            m_flashPending = false;
            m_timerMdi.setInterval(kLineMs);
            // The controller writes its flash meanwhile; the line holds still.
            m_hold.pause(kFlashWriteMs, [this] {
                m_state.seq.Resyncing = true;
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
        m_hold.pause(kFlashWriteMs, [this] { m_state.seq.Resyncing = true; });
    }
}

void Mdi::ButtonMemTextClick() {
    m_timerMdi.restart();
    m_message.show(m_state.LastMdiText);
}

void Mdi::ButtonClearClick() {
    if (m_state.line.CtsReady && m_state.line.LinkUp)
        m_link.sendMdi("G10P1999L9999");
}

void Mdi::ButtonResetClick() {
    m_state.watchdog.ResetPending = true;
    m_timer1.setEnabled(false);
    // The gauge stays where the transfer stopped, so the operator sees how far it came.
    m_transfer.abort();
    m_transfer.reportFailure(QStringLiteral("reset"));
    m_link.SendResetSignal([this] { m_state.block.PollBlockChanged = true; });
}

} // namespace velmorix
