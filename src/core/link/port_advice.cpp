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

// What fits who owns the device and what its mode lets them do: joining its group helps only where
// the group may read and write it.
QStringList permissionAdvice(const QString& hint, const PortFacts& facts) {
    const QString group = facts.group.isEmpty() ? QStringLiteral("dialout") : facts.group;
    const QString user = facts.user.isEmpty() ? QStringLiteral("$USER") : facts.user;
    const bool groupMay = facts.mode == 0 || (facts.mode & 060) == 060;
    if (groupMay && group != QLatin1String("root"))
        return {sentence(hint + QStringLiteral(", which only members of the group %1 may use").arg(group)),
                sentence(QStringLiteral("Join it with: sudo usermod -aG %1 %2, then log out and in again")
                             .arg(group, user))};
    const QString owner = facts.owner.isEmpty() ? QStringLiteral("root") : facts.owner;
    const QString mode = QStringLiteral("%1").arg(facts.mode, 4, 8, QLatin1Char('0'));
    return {
        sentence(hint + QStringLiteral(", which only its owner %1 may use (mode %2)").arg(owner, mode)),
        sentence(QStringLiteral("Let a group use it with a udev rule (GROUP=\"dialout\", MODE=\"0660\") and "
                                "join that group, or run as %1")
                     .arg(owner))};
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
    // A device given outright ("--port /dev/ttyUSB9"): the device and the system's words, then what is
    // here; a port name also says what it opens and which [ComPorts] line would change that.
    const bool outright = portName == device;
    QStringList parts{outright ? QStringLiteral("Comm: %1: %2").arg(device, sentence(reason))
                               : QStringLiteral("Comm: ") + sentence(reason)};
    // A network name that does not parse: what the machine's serial devices are does not help.
    if (isNetworkPortName(device)) {
        if (!outright)
            parts << sentence(deviceHint(portName, device));
        return parts.join(QLatin1Char(' '));
    }
    const QString where = settingsPath.isEmpty() ? QStringLiteral("[ComPorts]")
                                                 : QStringLiteral("[ComPorts] in %1").arg(settingsPath);
    const QString hint = outright ? device : deviceHint(portName, device);
    switch (facts.problem) {
    case PortFacts::Problem::Missing:
        if (!outright)
            parts << sentence(hint + QStringLiteral(", which does not exist"));
        if (!facts.devices.isEmpty())
            parts << sentence(QStringLiteral("Serial devices here: ") +
                              facts.devices.join(QStringLiteral(", ")));
        if (!facts.devices.isEmpty() && !outright)
            parts << sentence(QStringLiteral("To open one as %1, put %1=%2 under %3")
                                  .arg(portName, facts.devices.first(), where));
        break;
    case PortFacts::Problem::NoPermission:
        parts << permissionAdvice(hint, facts);
        break;
    case PortFacts::Problem::Other:
        if (!outright)
            parts << sentence(hint);
        break;
    }
    if (facts.devices.isEmpty())
        parts << sentence(outright
                              ? QStringLiteral("There is no serial device on this machine; --port simulator "
                                               "links to the built-in controller")
                              : QStringLiteral("There is no serial device on this machine; --simulator, or "
                                               "%1=simulator under %2, links to the built-in controller")
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
