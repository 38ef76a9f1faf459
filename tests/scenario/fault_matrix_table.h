// The fault matrix's table: every fault the virtual controller knows (the rows), every mode of the
// console (the columns), and what the operator must be told or shown in the cells where the words
// are fixed. fault_matrix_test.cpp runs every cell; docs/reliability.md is what came of them.
#pragma once

#include "sim/faults.h"

#include <QString>

namespace velmorix::test::matrix {

using sim::Fault;

// The columns: what the operator is doing when the fault comes.
enum class Mode {
    Idle,
    MdiAndWrite,
    SendText,
    SendHex,
    SendDnc,
    SendArm,
    ReceiveText,
    ReceiveHex,
    ReceivePlc
};
struct Column {
    Mode mode;
    const char* name;
};
inline constexpr Column kColumns[] = {{Mode::Idle, "idle, page change"},
                                      {Mode::MdiAndWrite, "MDI + value write"},
                                      {Mode::SendText, "send text"},
                                      {Mode::SendHex, "send hex"},
                                      {Mode::SendDnc, "send DNC"},
                                      {Mode::SendArm, "send ARM"},
                                      {Mode::ReceiveText, "receive, text save"},
                                      {Mode::ReceiveHex, "receive, hex save"},
                                      {Mode::ReceivePlc, "receive, PLC program"}};

inline constexpr auto anyMode = [](Mode) { return true; };
inline constexpr auto isIdle = [](Mode m) { return m == Mode::Idle; };
inline constexpr auto isSend = [](Mode m) {
    return m == Mode::SendText || m == Mode::SendHex || m == Mode::SendDnc || m == Mode::SendArm;
};
inline constexpr auto isReceive = [](Mode m) {
    return m == Mode::ReceiveText || m == Mode::ReceiveHex || m == Mode::ReceivePlc;
};
inline constexpr auto isTransfer = [](Mode m) { return isSend(m) || isReceive(m); };
inline constexpr auto isNoTransfer = [](Mode m) { return !isTransfer(m); };

// The rows: the fault, its value where it takes one, and how long it lasts from the operator's act.
struct Row {
    Fault fault;
    qint32 value;
    bool hasValue;
    int windowMs;
};
inline const Row kRows[] = {
    {Fault::DropDsr, 0, false, 1500},         {Fault::HoldCts, 0, false, 1500},
    {Fault::XoffStorm, 8, true, 1500},        {Fault::NoiseBetweenFrames, 7, true, 1500},
    {Fault::TruncatedFrame, 0, false, 1500},  {Fault::WrongLengthFrame, 0, false, 1500},
    {Fault::StaleSequence, 0, false, 1500},   {Fault::ErrorNumber, 12, true, 1500},
    {Fault::SilentHandshake, 0, false, 1500}, {Fault::RefuseArmFrame, 2, true, 5000},
    {Fault::SlowDnc, 2000, true, 5000},       {Fault::BadServedChecksum, 0, false, 5000},
    {Fault::LineNoise, 100, true, 20000},     {Fault::Vanish, 0, false, 1500},
};

// Why a cell cannot say anything, or an empty text.
inline QString notApplicable(Fault f, Mode m) {
    if (f == Fault::RefuseArmFrame && m != Mode::SendArm)
        return QStringLiteral("only the 8-bit upload sends frames to refuse");
    if (f == Fault::SlowDnc && m != Mode::SendDnc)
        return QStringLiteral("only a DNC run executes lines");
    if (f == Fault::BadServedChecksum && m != Mode::ReceivePlc)
        return QStringLiteral("only a served PLC program carries that checksum");
    if (f == Fault::SilentHandshake && !isTransfer(m))
        return QStringLiteral("no file announcement to leave unanswered");
    if (f == Fault::SilentHandshake && m == Mode::SendArm)
        return QStringLiteral("the 8-bit upload has no announcement; its refusals are RefuseArmFrame");
    if (f == Fault::LineNoise && m == Mode::SendDnc)
        return QStringLiteral("a DNC line carries no check: a line garbled on the way cannot be told from a "
                              "good one by either side");
    return {};
}

// What every cell checks: every transfer says once how it ended, one said done is byte-exact, the
// live display accepts frames within a second of the end, the controls are usable, only the poll timer
// runs and the controller counts no overrun. Beyond that, where the words are fixed:
enum class Shown {
    Said,            // on the key-in line or in a message box
    SaidContaining,  // on the key-in line, a text holding it
    BoxOnce,         // in a message box, exactly once
    BoxStartingWith, // in a message box, a text beginning with it
    Blanked,         // the live display showed dashes at some moment
};
struct Expectation {
    Fault fault;
    bool (*inMode)(Mode);
    Shown shown;
    const char* text = "";
    bool onlyWhenTheTransferFailed = false;
};
inline const Expectation kExpectations[] = {
    {Fault::DropDsr, isIdle, Shown::Blanked},
    {Fault::DropDsr, isReceive, Shown::Said, "; .. DSR Off --> Break .. ;", true},
    {Fault::ErrorNumber, isNoTransfer, Shown::SaidContaining, "12"},
    {Fault::SilentHandshake, isSend, Shown::Said, "; .. Wait CTS => Time Out .. ;"},
    {Fault::SilentHandshake, isReceive, Shown::Said, "; .. Wait ACK => Time Out .. ;"},
    {Fault::RefuseArmFrame, anyMode, Shown::Said, "; .. Send ARM Refused .. ;"},
    {Fault::BadServedChecksum, anyMode, Shown::BoxStartingWith,
     "The received data does not match its checksum"},
    {Fault::Vanish, anyMode, Shown::BoxOnce, "Comm: simulator was disconnected"},
    {Fault::Vanish, anyMode, Shown::Blanked}, // a dead link leaves no value standing
};

} // namespace velmorix::test::matrix
