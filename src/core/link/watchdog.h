#pragma once

#include "core/app/state.h"

#include <functional>

namespace velmorix {

class Link;
class Timer;

// The handshake watchdog: once a second while a transfer waits for the controller, it counts,
// shows that it is waiting, and ends the wait on DSR loss, Reset or time-out.
class Watchdog {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
        std::function<void()> stopTimer3;
        std::function<void()> stopTimer1;
    };

    Watchdog(ConsoleState& state, Link& link, Hooks hooks);

    void Timer3Timer();

    // Starts supervising an operation: count from 0 with the given limit.
    void arm(qint32 limit) {
        m_state.watchdog.WatchdogTicks = 0;
        m_state.watchdog.WatchdogLimit = limit;
    }

private:
    ConsoleState& m_state;
    Link& m_link;
    Hooks m_hooks;
};

} // namespace velmorix
