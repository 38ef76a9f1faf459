#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

namespace velmorix::test {

// The bytes of one direction (">>>" or "<<<") in the text of a wire log, from its hex columns.
inline QByteArray loggedBytes(const QByteArray& log, const char* direction) {
    static const QRegularExpression row(
        QStringLiteral("^ +(?:[0-9]+\\.[0-9]{3} ms)? +(>>>|<<<)  ((?:[0-9A-F]{2} )+) *\\|"),
        QRegularExpression::MultilineOption);
    QByteArray out;
    for (auto it = row.globalMatch(QString::fromUtf8(log)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QLatin1String(direction))
            out += QByteArray::fromHex(m.captured(2).remove(QChar(' ')).toLatin1());
    }
    return out;
}

} // namespace velmorix::test
