#pragma once

#include "platform/serial_port.h"

#include <memory>

namespace velmorix {

// The port for a device name: a network port for "rfc2217://HOST:PORT" and "tcp://HOST:PORT", the
// local serial port for anything else (a tty path, a Windows port name). One object per line.
std::unique_ptr<SerialPort> makeDevicePort(const QString& device);

} // namespace velmorix
