#pragma once

#include "core/app/console.h"

namespace velmorix::test {

// The one way a test reaches inside the console: the shared records and the areas that the window
// only reads, for setting up a situation the operator could not reach in one step.
class ConsoleSeam {
public:
    explicit ConsoleSeam(Console& console) : m_console(console) {}

    ConsoleState& state() { return m_console.m_state; }
    MessageLine& message() { return m_console.m_message; }
    Transfer& transfer() { return m_console.m_transfer; }
    Watchdog& watchdog() { return m_console.m_watchdog; }
    FilePage& files() { return m_console.m_filePage; }
    Mdi& mdi() { return m_console.m_mdi; }

private:
    Console& m_console;
};

} // namespace velmorix::test
