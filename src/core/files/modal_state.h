#pragma once

#include "core/files/dnc_lines.h"

#include <QByteArray>
#include <QList>

namespace velmorix {

// The modal state a program has built up before one of its lines: the last code of each modal G
// group (motion, plane, distance, feed mode, units, cutter and length compensation, canned cycle,
// return level, work offset, path mode), the last F, S and T words, and the spindle and coolant M
// codes. A run that starts part-way needs them first, or line N runs in whatever state the
// controller happens to be in.
class ModalState {
public:
    // Takes one program line: what follows ";" and text in parentheses is a comment.
    void take(const QByteArray& line);
    // The state as blocks that set it again, in the order a controller needs them: units, plane,
    // distance, feed mode, work offset, compensation cancels and sets, cycle and return level, path
    // mode; the tool; the spindle speed and direction; the coolant; the feed; the motion mode last.
    // Empty when the lines before set nothing.
    QList<QByteArray> preamble() const;
    bool isEmpty() const { return preamble().isEmpty(); }

    // The state in force at line `line` (1 = the first) of a program: what lines 1 to line - 1 set.
    static ModalState before(const DncLines& lines, qint32 line);

private:
    enum Group {
        Motion,
        Plane,
        Distance,
        FeedMode,
        Units,
        CutterComp,
        LengthComp,
        Cycle,
        Return,
        Offset,
        Path,
        kGroups
    };
    QByteArray m_g[kGroups];
    QByteArray m_feed;
    QByteArray m_speed;
    QByteArray m_tool;
    QByteArray m_cutterOffset; // the D word that goes with G41/G42
    QByteArray m_lengthOffset; // the H word that goes with G43/G44
    QByteArray m_spindle;
    QByteArray m_coolant;
};

} // namespace velmorix
