#include "platform/serial_port.h"

namespace velmorix {

int bitsPerCharacter(const PortSettings& s) {
    return 1 + s.dataBits + (s.parity == Parity::None ? 0 : 1) + s.stopBits;
}

QString lineSettingsText(const PortSettings& s) {
    static const char kParity[] = "NOEMS";
    return QStringLiteral("%1,%2,%3,%4")
        .arg(s.baudRate)
        .arg(QLatin1Char(kParity[static_cast<int>(s.parity)]))
        .arg(s.dataBits)
        .arg(s.stopBits);
}

} // namespace velmorix
