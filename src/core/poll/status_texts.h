#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmorix {

// Texts of the live display; every number has a fixed width so digits line up.

// An axis value in thousandths: nine characters, three decimals after a ",", whatever the locale;
// "----,---" when it does not fit.
QString axisText(qint32 thousandths);

// A block value in decimal with a space before its last three characters when longer than four
// characters; "--------" when the result is longer than nine.
QString groupedValueText(qint32 value);

// "Cps=" and the rate as five digits, or "Cps=----" above 99999.
QString cpsText(qint64 rate);

// "SN-" and the serial number as seven digits.
QString serialText(qint32 serial);

// The error line for an error number: empty for 0, otherwise ";Er" + e + ": " + the error's text.
QString errorLine(int errorNumber, const QString& errorText);

// Digits taken by adding a power of ten and dropping the leading digit.
QString paddedDigits(qint64 value, int digits);

} // namespace velmorix
