#pragma once

#include "core/base/state.h"

#include <array>

namespace velmorix {

class Link;
class Prompts;

// What page 3 shows: 32 rows of registers, counters or timers.
struct RctView {
    int RctKind = 0;   // 1 registers, 2 counters, 3 timers
    int RctOffset = 0; // first entry shown
    std::array<QString, 32> names;
    std::array<QString, 32> values;
    std::array<QString, 32> hexes;
    int boldOffset = -1; // offset of the offset button shown in bold
};

// The register, counter and timer page.
class RctPage {
public:
    RctPage(ConsoleState& state, Link& link, Prompts& prompts);

    void selectRctKind(int kind); // BtnRegisterClick, BtnCounterClick, BtnTimerClick
    void BtnPlcRct032Click(int offset);
    void StaticTextPlcRct0_10Click(int row);
    void refresh();
    void blank();

    const RctView& view() const { return m_view; }

private:
    void nameRows();

    ConsoleState& m_state;
    Link& m_link;
    Prompts& m_prompts;
    RctView m_view;
};

} // namespace velmorix
