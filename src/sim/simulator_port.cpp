#include "sim/simulator_port.h"

#include "sim/simulated_port.h"

namespace velmorix::sim {

std::unique_ptr<SerialPort> makeSimulatorPort(Clock& clock) {
    ControllerOptions options;
    options.clockAtZero = QDateTime(QDate::currentDate(), clock.timeOfDay()).addMSecs(-clock.nowMs());
    auto controller = std::make_unique<SimulatedController>(options);
    controller->log().setRetain(false); // a session of hours would otherwise keep every byte
    return std::make_unique<SimulatedPort>(std::move(controller), clock);
}

} // namespace velmorix::sim
