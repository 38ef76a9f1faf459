#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace velmorix {

// Whether a received file equals a file on disk, after the save's own rules: a text type is saved as
// lines each ended by CR LF, with no empty line (the body's empty stretches give none), so CR LF, CR
// and LF are one line end and trailing blanks do not count; a hex type without a length record is
// saved as whole lines of four bytes, so up to three zero bytes past the file's end do not count.
struct FileComparison {
    bool same = false;
    bool text = true;
    QString against;         // the file's name as the compare names it
    qint64 fileLine = 0;     // text: the first line that differs, in the file (1 = the first)
    qint64 receivedLine = 0; // and in the received file; 0 where that side ended first
    qint64 offset = -1;      // bytes: the first byte that differs (0 = the first)
    bool fileEnded = false;  // the file ended where the received one goes on
    bool receivedEnded = false;
    qint64 commonLines = 0; // text: lines both have alike before the difference
    QString verifies;       // a receive that checks a send: the send's journal record

    // "line 3", "byte 18" (counted from 1, as cmp does), "EOF on p.Cnc after line 5"; empty when same.
    QString difference() const;
    // "same as p.Cnc", "differs from p.Cnc: line 3".
    QString summary() const;
};

// A line as the compare sees it: its number in its file (1 = the first) and its text without the line
// end and trailing blanks. Empty lines are left out.
struct ComparedLine {
    qint64 number = 0;
    QByteArray text;
};
QList<ComparedLine> comparedLines(const QByteArray& bytes);

FileComparison compareText(const QByteArray& received, const QByteArray& file, const QString& fileName);
FileComparison compareBytes(const QByteArray& received, const QByteArray& file, const QString& fileName);

// The lines of two texts side by side: each row holds a line of the left, of the right, or of both.
struct DiffRow {
    enum class Kind { Same, Changed, LeftOnly, RightOnly };
    Kind kind = Kind::Same;
    qint64 leftNumber = 0; // the line's number in its file; 0: none on that side
    qint64 rightNumber = 0;
    QByteArray left;
    QByteArray right;
};
QList<DiffRow> sideBySide(const QByteArray& left, const QByteArray& right);

// A unified diff of two texts by the compare's lines ("--- left", "+++ right", hunks of three lines of
// context); empty when they are the same.
QByteArray unifiedDiff(const QByteArray& left, const QByteArray& right, const QString& leftName,
                       const QString& rightName);

} // namespace velmorix
