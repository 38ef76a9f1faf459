#pragma once

namespace velmorix {

class Timer;

// The timers of the console, made before any area so each area is handed the ones it drives.
struct ConsoleTimers {
    Timer& Timer1;      // 1 ms: the file pump
    Timer& Timer2;      // 100 ms: the poll tick
    Timer& Timer3;      // 1 s: the handshake watchdog
    Timer& TimerMdi_go; // 10 s: the MDI line, or 3210 ms while a flash write waits
};

} // namespace velmorix
