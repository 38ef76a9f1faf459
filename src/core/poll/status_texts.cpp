#include "core/poll/status_texts.h"

namespace velmorix {

QString paddedDigits(qint64 value, int digits) {
    qint64 power = 1;
    for (int i = 0; i < digits; ++i)
        power *= 10;
    return QString::number(value + power).mid(1, digits);
}

QString axisText(qint32 thousandths) {
    QString text = QString::asprintf("%*.*f", 9, 3, thousandths * 0.001);
    text[text.size() - 4] = QLatin1Char(',');
    if (text.size() > 9)
        return QStringLiteral("----,---");
    return text;
}

QString groupedValueText(qint32 value) {
    QString text = QString::number(value);
    if (text.size() > 4)
        text.insert(text.size() - 3, QLatin1Char(' '));
    if (text.size() > 9)
        return QStringLiteral("--------");
    return text;
}

QString cpsText(qint64 rate) {
    if (rate > 99999)
        return QStringLiteral("Cps=----");
    return QStringLiteral("Cps=") + paddedDigits(rate, 5);
}

QString serialText(qint32 serial) {
    return QStringLiteral("SN-") + paddedDigits(serial, 7);
}

QString errorLine(int errorNumber, const QString& errorText) {
    if (errorNumber == 0)
        return {};
    return QStringLiteral(";Er") + QString::number(errorNumber) + QStringLiteral(": ") + errorText;
}

} // namespace velmorix
