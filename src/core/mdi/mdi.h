#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace velmorix {

struct ConsoleState;
class FilePage;
class Hold;
class Link;
class MessageLine;
class Timer;
class Transfer;
class Watchdog;

// The command line under the pages: one MDI block per Enter or "MDI Go", the recall of the last
// text, the line that empties itself ten seconds after the last key, the flash write that follows a
// send, and Reset.
class Mdi {
public:
    Mdi(ConsoleState& state, MessageLine& message, Link& link, Transfer& transfer, Watchdog& watchdog,
        FilePage& files, Hold& hold, Timer& timerMdi, Timer& timer1);

    void ButtonMDIgoClick();
    void EditKeyInKeyPress(QChar key);
    void TimerMdi_goTimer();
    void ButtonMemTextClick();
    void ButtonClearClick();
    void ButtonResetClick();

    // The flash write after a send with "w2Flash" checked: the line's text waits as the command the
    // MDI timer sends in 3210 ms.
    void armFlashWrite();
    // The controller refused the file, or never confirmed it: its flash is not written.
    void cancelFlashWrite();
    // The 3000 ms the console holds still while the controller writes its flash (or would have), then
    // the controller's sequence is taken afresh.
    void holdForFlashWrite(std::function<void()> then = {});
    bool FlashPending() const { return m_flashPending; }

    // What goes on the wire for a typed text: trimmed of blanks and control characters, cut before
    // the first ";", with every blank removed. Empty when nothing is to be sent.
    static QByteArray commandOf(const QString& text);

    static constexpr int kLineMs = 10000;
    static constexpr int kFlashWaitMs = 3210;
    static constexpr int kFlashWriteMs = 3000;

private:
    ConsoleState& m_state;
    MessageLine& m_message;
    Link& m_link;
    Transfer& m_transfer;
    FilePage& m_files;
    Hold& m_hold;
    Timer& m_timerMdi;
    Timer& m_timer1;
    Watchdog& m_watchdog;
    bool m_flashPending = false;
    QString m_flashCommand; // the line's text to send when the waiting flash write is served
};

} // namespace velmorix
