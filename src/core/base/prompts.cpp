#include "core/base/prompts.h"

#include <QStringList>

namespace velmorix {

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString masks = parts[i + 1];
        masks.replace(QLatin1Char(';'), QLatin1Char(' '));
        entries << parts[i] + QStringLiteral(" (") + masks + QLatin1Char(')');
    }
    if (entries.isEmpty())
        return filter;
    return entries.join(QStringLiteral(";;"));
}

} // namespace velmorix
