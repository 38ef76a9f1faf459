#pragma once

#include "core/base/state.h"
#include "core/service/service_functions.h"

#include <functional>

namespace velmorix {

class Clock;
class FilePage;
class Hold;
class Link;
class Prompts;
class Transfer;

// The status bar's hidden buttons: the login to the variable ranges, the port start number, the
// "TSK ID" access to the PLC program, the controller clock and the click counter that shows "Clear".
class ServiceMode {
public:
    struct Hooks {
        // "Set RTC" pressed in the clock dialog: the operator's event, through the console.
        std::function<void()> setRtcClicked;
    };

    static constexpr int kClearShownFrom = 20;
    static constexpr int kClockSetMs = 3000; // the controller applies the new time meanwhile

    ServiceMode(ConsoleState& state, Prompts& prompts, Link& link, Hold& hold, const Transfer& transfer,
                FilePage& files, Clock& clock, Hooks hooks);

    void StatusBar1MouseDown(int x, const std::array<int, 4>& widths, int barWidth);

    void serviceLogin();
    void comStart();
    void tskAccess();
    void clickCounter();
    void controllerClock();
    // "Set RTC": the clock from the PC's, only with CTS and DSR.
    void SetRtc();

private:
    ConsoleState& m_state;
    Prompts& m_prompts;
    Link& m_link;
    Hold& m_hold;
    const Transfer& m_transfer;
    FilePage& m_files;
    Clock& m_clock;
    Hooks m_hooks;
};

} // namespace velmorix
