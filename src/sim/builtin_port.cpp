#include "sim/builtin_port.h"

#include "sim/simulated_port.h"

namespace velmorix::sim {

std::unique_ptr<SerialPort> makeBuiltInPort(Clock& clock) {
    ControllerOptions options;
    options.clockAtZero = QDateTime(QDate::currentDate(), clock.timeOfDay()).addMSecs(-clock.nowMs());
    auto controller = std::make_unique<SimulatedController>(options);
    // The console records the line itself; the controller keeps only the last of its side.
    controller->log().setCapacity(64 * 1024);
    return std::make_unique<SimulatedPort>(std::move(controller), clock);
}

} // namespace velmorix::sim
