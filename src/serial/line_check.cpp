#include "serial/line_check.h"

namespace velmorix {

QString rateName(const PortSettings& s) {
    return QStringLiteral("%1 baud").arg(s.baudRate);
}

QString dataBitsName(const PortSettings& s) {
    return QStringLiteral("%1 data bits").arg(s.dataBits);
}

QString parityName(const PortSettings& s) {
    switch (s.parity) {
    case Parity::None:
        return QStringLiteral("no parity");
    case Parity::Odd:
        return QStringLiteral("odd parity");
    case Parity::Even:
        return QStringLiteral("even parity");
    case Parity::Mark:
        return QStringLiteral("mark parity");
    case Parity::Space:
        return QStringLiteral("space parity");
    }
    return {};
}

QString stopBitsName(const PortSettings& s) {
    return s.stopBits == 2 ? QStringLiteral("2 stop bits") : QStringLiteral("1 stop bit");
}

QString flowName(const PortSettings& s) {
    return s.hardwareFlow ? QStringLiteral("RTS/CTS flow control") : QStringLiteral("no flow control");
}

} // namespace velmorix
