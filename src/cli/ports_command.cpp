// velmorix-cli ports: the serial devices here and the COM name that opens each.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "core/link/port_names.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

namespace velmorix::cli {

namespace {

QString row(const QString& com, const QString& device, const QString& about) {
    return QStringLiteral("%1  %2  %3").arg(com, -6).arg(device, -20).arg(about);
}

QString describe(const QSerialPortInfo& info) {
    QStringList about{info.description(), info.manufacturer(), info.serialNumber()};
    if (info.hasVendorIdentifier() && info.hasProductIdentifier())
        about << QStringLiteral("%1:%2")
                     .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                     .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    about.removeAll(QString());
    return about.join(QStringLiteral(", "));
}

} // namespace

int runPorts(const QStringList& args) {
    QCommandLineParser p;
    if (const auto status =
            parse(p, QStringLiteral("ports"),
                  QStringLiteral("Lists the serial devices of this machine and the COM name that "
                                 "opens each, as Config/Environment.ini maps them here."),
                  args))
        return *status;
    QFile file(QDir::current().filePath(QStringLiteral("Config/Environment.ini")));
    const QMap<QString, QString> comPorts =
        comPortEntries(file.open(QIODevice::ReadOnly) ? IniFile::fromText(file.readAll()) : IniFile());
    const PortNames names(comPorts);
    const auto comNameOf = [&](const QString& device) {
        for (auto it = comPorts.cbegin(); it != comPorts.cend(); ++it)
            if (it.value() == device)
                return it.key();
        for (int n = 1; n <= 256; ++n)
            if (names.device(QStringLiteral("COM%1").arg(n)) == device)
                return QStringLiteral("COM%1").arg(n);
        return QStringLiteral("-");
    };
    result(row(QStringLiteral("COM"), QStringLiteral("DEVICE"),
               QStringLiteral("DESCRIPTION, MANUFACTURER, SERIAL NUMBER, VID:PID")));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        result(row(comNameOf(info.systemLocation()), info.systemLocation(), describe(info)));
    for (auto it = comPorts.cbegin(); it != comPorts.cend(); ++it)
        if (it.value() == PortNames::kSimulator)
            result(row(it.key(), it.value(), QStringLiteral("the built-in virtual controller")));
    return kDone;
}

} // namespace velmorix::cli
