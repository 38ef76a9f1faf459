#include "core/link/port_names.h"

namespace velmorix {

QString PortNames::device(const QString& portName) const {
    if (!m_override.isEmpty())
        return m_override;
    const QString key = portName.toUpper();
    if (auto it = m_entries.find(key); it != m_entries.end() && !it->isEmpty())
        return *it;
#ifdef Q_OS_WIN
    return key;
#else
    if (key.startsWith(QStringLiteral("COM"))) {
        bool ok = false;
        const int n = key.mid(3).toInt(&ok);
        if (ok)
            return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
    }
    return portName;
#endif
}

} // namespace velmorix
