#pragma once

#include <QMap>
#include <QString>

namespace velmorix {

// Maps the console's port names ("COM" + number) onto devices: an entry of [ComPorts] in
// Config/Environment.ini ("COM3=/dev/ttyUSB0", "COM1=simulator") wins; without one COMn is
// /dev/ttyS(n-1) on Linux and COMn on Windows.
class PortNames {
public:
    PortNames() = default;
    explicit PortNames(QMap<QString, QString> entries) : m_entries(std::move(entries)) {}

    // Every COM name goes to this device (the program's --simulator option).
    void setOverride(const QString& device) { m_override = device; }

    QString device(const QString& portName) const;
    // Every name goes to one device given outright (not through [ComPorts]).
    bool overridden() const { return !m_override.isEmpty(); }

    static inline const QString kSimulator = QStringLiteral("simulator");

private:
    QMap<QString, QString> m_entries;
    QString m_override;
};

} // namespace velmorix
