#pragma once

#include "platform/serial_port.h"

#include <QStringList>

namespace velmorix {

// A line setting by the name the operator knows it: "28800 baud", "7 data bits", "mark parity",
// "2 stop bits", "RTS/CTS flow control".
QString rateName(const PortSettings& s);
QString dataBitsName(const PortSettings& s);
QString parityName(const PortSettings& s);
QString stopBitsName(const PortSettings& s);
QString flowName(const PortSettings& s);

} // namespace velmorix
