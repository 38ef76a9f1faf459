#include "core/pages/new_value.h"

namespace velmorix {

bool newValueKeyAccepted(QChar key, const QString& text) {
    if (key == QLatin1Char('\r') || key == QLatin1Char('\b') || key == QLatin1Char('-'))
        return true;
    if (key >= QLatin1Char('0') && key <= QLatin1Char('9'))
        return text.size() < 9;
    return false;
}

std::optional<qint32> parseNewValue(const QString& text) {
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const qint32 v = text.toInt(&ok, 10);
    if (!ok || text.trimmed() != text || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return v;
}

QString notAnIntegerMessage(const QString& text) {
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

} // namespace velmorix
