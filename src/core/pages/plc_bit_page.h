#pragma once

#include "core/base/state.h"

#include <array>

namespace velmorix {

// What page 1 shows: the 16 × 16 PLC bit grid.
struct PlcBitView {
    std::array<QString, 256> cellCaptions;
    std::array<QString, 16> rowHeadings;
    std::array<bool, 256> lit{}; // light red while the bit is 1
    int boldGroup = -1;          // tag of the group button shown in bold
};

// The PLC bit page: ten bit groups, each eight variables of 32 bits shown as a grid.
class PlcBitPage {
public:
    explicit PlcBitPage(ConsoleState& state);

    // Groups by tag: 0 I, 1 O, 2 C, 3 S, 4 A, 5 A+256, 6 A+512, 7 A+768, 8 CN, 9 TM.
    void selectBitGroup(int tag);
    void numberGrid(int firstBit);
    void refresh();
    void blank();

    const PlcBitView& view() const { return m_view; }

private:
    ConsoleState& m_state;
    PlcBitView m_view;
};

} // namespace velmorix
