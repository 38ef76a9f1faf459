// velmorix-cli ports: the serial devices here and the COM name that opens each, then the device servers
// and the built-in controller that [ComPorts] maps.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "core/link/port_names.h"
#include "platform/network_address.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>

namespace velmorix::cli {

namespace {

QString row(const QString& com, const QString& device, const QString& about) {
    return QStringLiteral("%1  %2  %3").arg(com, -6).arg(device, -20).arg(about);
}

// What a [ComPorts] entry that is not a serial device of this machine opens; empty for a device path.
QString mapped(const QString& device) {
    if (device == PortNames::kSimulator)
        return QStringLiteral("the built-in virtual controller");
    if (const auto address = parseNetworkAddress(device))
        return address->mode == NetworkAddress::Mode::Rfc2217
                   ? QStringLiteral("serial device server, RFC 2217 (settings and modem lines)")
                   : QStringLiteral("serial device server, raw TCP (its own settings)");
    if (isNetworkPortName(device))
        return QStringLiteral("not a network port as written: rfc2217://HOST:PORT or tcp://HOST:PORT");
    return {};
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
                                 "opens each, as Config/Environment.ini maps them here, then the "
                                 "mapped network ports and the built-in controller."),
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
        if (const QString about = mapped(it.value()); !about.isEmpty())
            result(row(it.key(), it.value(), about));
    return kDone;
}

} // namespace velmorix::cli
