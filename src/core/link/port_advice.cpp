#include "core/link/port_advice.h"

#include "core/link/port_names.h"
#include "platform/network_address.h"

namespace velmorix {

namespace {

QString sentence(QString text) {
    while (text.endsWith(QLatin1Char('.')) || text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text + QLatin1Char('.');
}

} // namespace

QString deviceHint(const QString& portName, const QString& device) {
    if (device == PortNames::kSimulator)
        return QStringLiteral("%1 opens the built-in controller (simulator)").arg(portName);
    if (const auto address = parseNetworkAddress(device)) {
        if (address->mode == NetworkAddress::Mode::RawTcp)
            return QStringLiteral("%1 opens %2, a serial device server in raw TCP mode: its own line "
                                  "settings apply, and DSR and CTS count as on while connected")
                .arg(portName, device);
        return QStringLiteral("%1 opens %2, a serial device server (RFC 2217)").arg(portName, device);
    }
    return QStringLiteral("%1 opens %2").arg(portName, device);
}

QString openFailureText(const QString& reason, const QString& portName, const QString& device,
                        const PortFacts& facts, const QString& settingsPath) {
    QStringList parts{QStringLiteral("Comm: ") + sentence(reason)};
    // A network name that does not parse: what the machine's serial devices are does not help.
    if (isNetworkPortName(device))
        return (parts << sentence(deviceHint(portName, device))).join(QLatin1Char(' '));
    const QString where = settingsPath.isEmpty() ? QStringLiteral("[ComPorts]")
                                                 : QStringLiteral("[ComPorts] in %1").arg(settingsPath);
    switch (facts.problem) {
    case PortFacts::Problem::Missing:
        parts << sentence(deviceHint(portName, device) + QStringLiteral(", which does not exist"));
        if (!facts.devices.isEmpty()) {
            parts << sentence(QStringLiteral("Serial devices here: ") +
                              facts.devices.join(QStringLiteral(", ")));
            parts << sentence(QStringLiteral("To open one as %1, put %1=%2 under %3")
                                  .arg(portName, facts.devices.first(), where));
        }
        break;
    case PortFacts::Problem::NoPermission: {
        const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
        const QString user = facts.user.isEmpty() ? QStringLiteral("$USER") : facts.user;
        parts << sentence(deviceHint(portName, device) +
                          QStringLiteral(", which only members of the group %1 may use").arg(group));
        parts << sentence(QStringLiteral("Join it with: sudo usermod -aG %1 %2, then log out and in again")
                              .arg(group, user));
        break;
    }
    case PortFacts::Problem::Other:
        parts << sentence(deviceHint(portName, device));
        break;
    }
    if (facts.devices.isEmpty())
        parts << sentence(
            QStringLiteral("There is no serial device on this machine; --simulator, or %1=simulator "
                           "under %2, links to the built-in controller")
                .arg(portName, where));
    return parts.join(QLatin1Char(' '));
}

QString refusalNote(const QString& device, const QStringList& refused) {
    if (refused.isEmpty())
        return {};
    // A device server is asked over the network and may just not answer in time.
    if (const auto address = parseNetworkAddress(device))
        return QStringLiteral("; %1 did not confirm %2 ;")
            .arg(address->hostPort(), refused.join(QStringLiteral(", ")));
    return QStringLiteral("; %1 refused %2 ;").arg(device, refused.join(QStringLiteral(", ")));
}

} // namespace velmorix
