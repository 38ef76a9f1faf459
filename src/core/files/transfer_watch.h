#pragma once

#include <functional>

namespace velmorix {

struct ConsoleState;
class Link;
class MessageLine;
class Timer;
class Transfer;
class Watchdog;

// What the handshake watchdog's second means for the transfer under way: it shows that the console
// waits, and ends the wait when the controller goes away, the operator pressed Reset, or the
// controller stayed silent past the limit.
class TransferWatch {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };

    TransferWatch(const ConsoleState& state, Watchdog& watchdog, Transfer& transfer, MessageLine& message,
                  Link& link, Timer& timer3, Timer& timer1, Hooks hooks);

    // Timer3's handler.
    void Timer3Timer();

private:
    void breakOff();
    void timedOut();

    const ConsoleState& m_state;
    Watchdog& m_watchdog;
    Transfer& m_transfer;
    MessageLine& m_message;
    Link& m_link;
    Timer& m_timer3;
    Timer& m_timer1;
    Hooks m_hooks;
};

} // namespace velmorix
