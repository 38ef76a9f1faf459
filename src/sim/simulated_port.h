#pragma once

#include "platform/clock.h"
#include "platform/serial_port.h"
#include "sim/controller.h"
#include "sim/wire.h"

#include <memory>

namespace velmorix::sim {

// The console's serial port with a virtual controller at the other end of the cable, inside the
// program. Bytes take the line's time on the Clock; CTS and DSR changes are reported from a 1 ms
// line timer on the event loop, at the time they happen. Bytes that arrive while the controller's
// DSR is off are thrown away. It fails while open only when the controller's Vanish fault says the
// adapter is gone: it closes itself and says "simulator was disconnected", as a real port does.
class SimulatedPort : public SerialPort {
public:
    SimulatedPort(SimulatedController& controller, Clock& clock);
    // A port that owns its controller.
    SimulatedPort(std::unique_ptr<SimulatedController> controller, Clock& clock);
    ~SimulatedPort() override;

    void setSettings(const PortSettings& settings) override;
    PortSettings settings() const override { return m_settings; }
    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(qint64 maxCount) override;
    qint64 inputCount() override;
    qint64 outputCount() override;
    void clearBuffer(bool input, bool output) override;
    bool cts() const override { return m_open && m_wire.cts(); }
    bool dsr() const override { return m_open && m_wire.dsr(); }
    QString errorString() const override { return m_error; }

    SimulatedController& controller() { return m_controller; }
    // How often the line is looked at for CTS and DSR changes (1 ms). A long simulated run may look
    // less often; a change is then reported up to that much later.
    void setLineTickMs(int ms) { m_lineTimer->setInterval(ms); }

private:
    void tick();
    void vanish();

    std::unique_ptr<SimulatedController> m_owned;
    SimulatedController& m_controller;
    Clock& m_clock;
    Wire m_wire;
    std::unique_ptr<Timer> m_lineTimer;
    PortSettings m_settings;
    bool m_open = false;
    bool m_reportedCts = false;
    bool m_reportedDsr = false;
    QString m_error;
};

} // namespace velmorix::sim
