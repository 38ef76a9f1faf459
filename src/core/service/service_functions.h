#pragma once

#include "core/base/settings.h"

#include <QChar>
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <utility>

namespace velmorix {

// The service functions behind the status bar, as plain rules the dialogs and the engine share.

enum class ServiceFunction { None, Login, ComStart, TskId, ClickCounter, Clock };

// What a press on the status bar opens: panel widths w0..w3, the press's X, the bar's whole width.
// A press on a border between panels opens nothing.
struct StatusBarPress {
    bool commPage = false; // the notebook shows the Comm page
    int x = 0;
    std::array<int, 4> widths{}; // panels 0 to 3
    int barWidth = 0;
    bool transferIdle = true; // no transfer flag is set
    bool lineReady = false;   // CTS and DSR are on
};
ServiceFunction hitTest(const StatusBarPress& press);

// The fixed service login.
inline constexpr char kServiceUser[] = "QWZP";
inline constexpr char kServicePassword[] = "47150392";
// The user name compared upper-cased, the password exactly.
bool loginAccepted(const QString& user, const QString& password);

// The range dialog. Its eight fields in this order: user start, user size, system start, system
// size, CNC-information start, CNC-information size, machine-parameter start, machine-parameter
// size.
using RangeFields = std::array<QString, 8>;
RangeFields rangeFields(const Settings& ranges);
// Whether a key reaches a field: Enter, Backspace and the digits.
bool rangeKeyAccepted(QChar key);
// The OK checks, in their order: every start (an empty one becomes "0" and passes), then every size
// (an empty one becomes "0" and fails, "0" fails); each must be a multiple of 1000 and fit 32 bits,
// and so must each range's start + size. Fields are corrected in place; the ranges when all pass.
std::optional<Settings> checkRanges(RangeFields& fields);

// The port start number dialog: a digit only while the text is shorter than nine characters.
bool comStartKeyAccepted(QChar key, const QString& text);
// Its number: 0 for an empty text.
qint32 comStartValue(const QString& text);

// The controller clock: the value writes that set it from a local date and time, in their order,
// from 9950 ← 4 to 9950 ← 2. After them the console waits three seconds and writes 9950 ← 1.
inline constexpr qint32 kClockMode = 9950;
inline constexpr qint32 kClockFirst = 9951;
inline constexpr int kClockFields = 8;
// Day of the week, 0 for Sunday.
int weekdayOf(int year, int month, int day);
QList<std::pair<qint32, qint32>> clockWrites(const QDateTime& local);

} // namespace velmorix
