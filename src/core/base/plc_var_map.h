#pragma once

#include <QtGlobal>

namespace velmorix {

// The controller variables behind the PLC data: eight 32-bit words for each bit group (the A bits
// take 32), and 256 registers, counters and timers.
struct PlcVarMap {
    static constexpr qint32 I = 10800;
    static constexpr qint32 O = 10808;
    static constexpr qint32 C = 10816;
    static constexpr qint32 S = 10824;
    static constexpr qint32 A = 10832;
    static constexpr qint32 CN = 10864;
    static constexpr qint32 TM = 10872;
    static constexpr qint32 Registers = 10000;
    static constexpr qint32 Counters = 10256;
    static constexpr qint32 Timers = 10512;

    static constexpr int kBitGroupWords = 8; // 256 bits
    static constexpr int kABitWords = 32;    // 1024 bits, shown as four groups
    static constexpr int kRctCount = 256;
};

} // namespace velmorix
