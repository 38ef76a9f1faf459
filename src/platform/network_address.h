#pragma once

#include <QString>
#include <optional>

namespace velmorix {

// A controller's line on a serial device server, named as a port: "rfc2217://HOST:PORT" (telnet with
// the RFC 2217 com-port option: the line settings and the modem lines travel too) or
// "tcp://HOST:PORT" (the bytes alone; the server's own line settings apply).
struct NetworkAddress {
    enum class Mode { Rfc2217, RawTcp };
    Mode mode = Mode::Rfc2217;
    QString host;
    quint16 port = 0;

    // "10.0.4.17:4001", as messages name the server.
    QString hostPort() const;
    bool operator==(const NetworkAddress&) const = default;
};

// Whether a device name is one of the network forms at all (its scheme), well formed or not.
bool isNetworkPortName(const QString& device);
// The address a network port name stands for; nothing when the name is not a well-formed one.
std::optional<NetworkAddress> parseNetworkAddress(const QString& device);

} // namespace velmorix
