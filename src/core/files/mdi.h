#pragma once

#include "core/app/state.h"

#include <QByteArray>
#include <QString>

namespace velmorix {

class Hold;
class Link;
class Timer;

// The command line under the pages: one MDI block per Enter or "MDI Go", the recall of the last
// text, the line that empties itself ten seconds after the last key, the flash write that follows a
// send, and Reset.
class Mdi {
public:
    Mdi(ConsoleState& state, Link& link, Hold& hold, Timer& timerMdi, Timer& timer1);

    void ButtonMDIgoClick();
    void EditKeyInKeyPress(QChar key);
    void TimerMdi_goTimer();
    void ButtonMemTextClick();
    void ButtonClearClick();
    void ButtonResetClick();

    // What goes on the wire for a typed text: trimmed of blanks and control characters, cut before
    // the first ";", with every blank removed. Empty when nothing is to be sent.
    static QByteArray CommandOf(const QString& text);

private:
    ConsoleState& m_state;
    Link& m_link;
    Hold& m_hold;
    Timer& m_timerMdi;
    Timer& m_timer1;
};

} // namespace velmorix
