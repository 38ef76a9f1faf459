#pragma once

#include "platform/serial_port.h"

namespace velmorix {

// The serial devices present on this machine (their device paths), as Qt's serial port finds them.
QStringList serialDevices();

// What the system says about a device that would not open: whether it exists, whether the user may
// use it and which group owns it, and the serial devices present.
PortFacts inspectPort(const QString& device);

} // namespace velmorix
