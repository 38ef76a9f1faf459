#include "core/files/mdi.h"

#include "core/app/hold.h"
#include "core/link/link.h"
#include "platform/clock.h"

namespace velmorix {

Mdi::Mdi(ConsoleState& state, Link& link, Hold& hold, Timer& timerMdi, Timer& timer1)
    : m_state(state), m_link(link), m_hold(hold), m_timerMdi(timerMdi), m_timer1(timer1) {}

QByteArray Mdi::CommandOf(const QString& text) {
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
    const QString typed = m_state.view.EditKeyIn;
    if (!typed.isEmpty()) {
        m_timerMdi.restart();
        const QByteArray command = CommandOf(typed);
        if (!command.isEmpty())
            m_link.SendMdi(command);
        m_state.LastMdiText = typed;
    }
    m_state.view.EditKeyIn.clear();
}

void Mdi::EditKeyInKeyPress(QChar key) {
    m_timerMdi.restart();
    if (key == QLatin1Char('\r'))
        ButtonMDIgoClick();
}

void Mdi::TimerMdi_goTimer() {
    MainView& view = m_state.view;
    if (!view.EditKeyIn.isEmpty()) {
        if (m_state.CheckBoxFlash && m_state.FlashPending) {
            view.EditKeyIn = m_state.FlashCommand;
            ButtonMDIgoClick();
            m_state.live.LastErrorNumber = 0;
            m_state.CheckBoxFlash = false;
            m_state.FlashPending = false;
            m_timerMdi.setInterval(10000);
            // The controller writes its flash meanwhile; the line holds still for three seconds.
            m_hold.pause(3000, [this] {
                m_state.seq.Resyncing = true;
                m_state.view.EditKeyIn.clear();
                m_timerMdi.setEnabled(false);
            });
            return;
        }
        m_state.LastMdiText = view.EditKeyIn;
        view.EditKeyIn.clear();
        m_timerMdi.setEnabled(false);
        return;
    }
    if (m_state.FlashPending) {
        m_state.FlashPending = false;
        m_hold.pause(3000, [this] { m_state.seq.Resyncing = true; });
    }
}

void Mdi::ButtonMemTextClick() {
    m_timerMdi.restart();
    m_state.view.EditKeyIn = m_state.LastMdiText;
}

void Mdi::ButtonClearClick() {
    if (m_state.line.CtsReady && m_state.line.LinkUp)
        m_link.SendMdi("G10P1999L9999");
}

void Mdi::ButtonResetClick() {
    TransferFlags& t = m_state.transfer;
    m_state.watchdog.ResetPending = true;
    m_timer1.setEnabled(false);
    if (t.Sending)
        m_state.files.gaugePosition = 0;
    t.RecvRequested = t.SendRequested = t.RecvBody = t.Sending = false;
    m_link.SendResetSignal([this] { m_state.block.PollBlockChanged = true; });
}

} // namespace velmorix
