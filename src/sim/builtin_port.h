#pragma once

#include "platform/clock.h"
#include "platform/serial_port.h"

#include <memory>

namespace velmorix::sim {

// The port behind "--simulator" and "COMn=simulator": a SimulatedPort with a controller of its own,
// whose clock reads the wall clock's time of day.
std::unique_ptr<SerialPort> makeBuiltInPort(Clock& clock);

} // namespace velmorix::sim
