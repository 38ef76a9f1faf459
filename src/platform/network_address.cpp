#include "platform/network_address.h"

namespace velmorix {

namespace {
const QString kRfc2217 = QStringLiteral("rfc2217://");
const QString kRawTcp = QStringLiteral("tcp://");
} // namespace

QString NetworkAddress::hostPort() const {
    // An IPv6 literal keeps its brackets, so the port stays apart from it.
    const QString shown = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return QStringLiteral("%1:%2").arg(shown).arg(port);
}

bool isNetworkPortName(const QString& device) {
    return device.startsWith(kRfc2217, Qt::CaseInsensitive) ||
           device.startsWith(kRawTcp, Qt::CaseInsensitive);
}

std::optional<NetworkAddress> parseNetworkAddress(const QString& device) {
    NetworkAddress a;
    QString rest;
    if (device.startsWith(kRfc2217, Qt::CaseInsensitive)) {
        a.mode = NetworkAddress::Mode::Rfc2217;
        rest = device.mid(kRfc2217.size());
    } else if (device.startsWith(kRawTcp, Qt::CaseInsensitive)) {
        a.mode = NetworkAddress::Mode::RawTcp;
        rest = device.mid(kRawTcp.size());
    } else {
        return std::nullopt;
    }
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    QString host = rest.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = rest.mid(colon + 1).toUInt(&ok);
    if (!ok || port == 0 || port > 65535 || host.isEmpty() || host.contains(QLatin1Char('/')))
        return std::nullopt;
    a.host = host;
    a.port = static_cast<quint16>(port);
    return a;
}

} // namespace velmorix
