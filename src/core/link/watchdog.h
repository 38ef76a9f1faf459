#pragma once

#include "core/app/state.h"

#include <functional>

namespace velmorix {

class Link;
class MessageLine;
class Timer;
class Transfer;

// The handshake watchdog: once a second while a transfer waits for the controller, it counts,
// shows that it is waiting, and ends the wait on DSR loss, Reset or time-out.
class Watchdog {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };

    Watchdog(ConsoleState& state, Transfer& transfer, MessageLine& message, Link& link, Timer& timer3,
             Timer& timer1, Hooks hooks);

    void Timer3Timer();

    // Starts supervising an operation: count from 0 with the given limit.
    void arm(qint32 limit);
    // Progress: the limit moves ten ticks past the current count.
    void feed();

private:
    ConsoleState& m_state;
    Transfer& m_transfer;
    MessageLine& m_message;
    Link& m_link;
    Timer& m_timer3;
    Timer& m_timer1;
    Hooks m_hooks;
};

} // namespace velmorix
