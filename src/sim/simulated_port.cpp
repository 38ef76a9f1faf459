#include "sim/simulated_port.h"

namespace velmorix::sim {

SimulatedPort::SimulatedPort(SimulatedController& controller, Clock& clock)
    : m_controller(controller), m_clock(clock), m_wire(controller) {
    m_settings.name = QStringLiteral("simulator");
    m_wire.setDropInputWhileDsrOff(true);
    m_lineTimer = m_clock.createTimer(1, [this] { tick(); });
}

SimulatedPort::SimulatedPort(std::unique_ptr<SimulatedController> controller, Clock& clock)
    : m_owned(std::move(controller)), m_controller(*m_owned), m_clock(clock), m_wire(*m_owned) {
    m_settings.name = QStringLiteral("simulator");
    m_wire.setDropInputWhileDsrOff(true);
    m_lineTimer = m_clock.createTimer(1, [this] { tick(); });
}

SimulatedPort::~SimulatedPort() = default;

void SimulatedPort::setSettings(const PortSettings& settings) {
    if (m_open)
        m_wire.sync(m_clock.nowUs());
    m_settings = settings;
    m_wire.setConsoleSettings(settings);
}

bool SimulatedPort::open() {
    if (m_open)
        return true;
    if (m_controller.portVanished(m_clock.nowUs())) {
        m_error = QStringLiteral("No such file or directory");
        return false;
    }
    m_open = true;
    m_error.clear();
    m_wire.setConsoleSettings(m_settings);
    m_wire.reset(m_clock.nowUs());
    m_wire.clearReceived();
    m_lineTimer->setEnabled(true);
    m_reportedCts = m_wire.cts();
    m_reportedDsr = m_wire.dsr();
    reportCts(m_reportedCts);
    reportDsr(m_reportedDsr);
    return true;
}

void SimulatedPort::close() {
    if (!m_open)
        return;
    reportCts(false);
    reportDsr(false);
    m_lineTimer->setEnabled(false);
    m_wire.sync(m_clock.nowUs());
    m_wire.clearPending();
    m_wire.clearReceived();
    m_open = false;
    // The console's DTR drops with its port: the controller sees its DSR go.
    m_controller.lineLost(QStringLiteral("the console closed the line"), m_clock.nowUs());
}

qint64 SimulatedPort::write(const QByteArray& bytes) {
    if (!m_open) {
        m_error = notOpenText();
        return -1;
    }
    m_wire.consoleWrite(bytes, m_clock.nowUs());
    return bytes.size();
}

QByteArray SimulatedPort::read(qint64 maxCount) {
    if (!m_open)
        return {};
    m_wire.sync(m_clock.nowUs());
    return m_wire.takeReceived(maxCount);
}

qint64 SimulatedPort::inputCount() {
    if (!m_open)
        return 0;
    m_wire.sync(m_clock.nowUs());
    return m_wire.receivedCount();
}

qint64 SimulatedPort::outputCount() {
    if (!m_open)
        return 0;
    m_wire.sync(m_clock.nowUs());
    return m_wire.consolePending();
}

void SimulatedPort::clearBuffer(bool input, bool output) {
    if (!m_open)
        return;
    m_wire.sync(m_clock.nowUs());
    if (input)
        m_wire.clearReceived();
    if (output)
        m_wire.clearPending();
}

void SimulatedPort::vanish() {
    close();
    m_error = QStringLiteral("%1 was disconnected").arg(m_settings.name);
    reportError(m_error);
}

void SimulatedPort::tick() {
    if (!m_open)
        return;
    if (m_controller.portVanished(m_clock.nowUs())) {
        vanish();
        return;
    }
    m_wire.sync(m_clock.nowUs());
    // The handlers may close the port; look again after each.
    const bool c = m_wire.cts();
    if (c != m_reportedCts) {
        m_reportedCts = c;
        reportCts(c);
    }
    if (!m_open)
        return;
    const bool d = m_wire.dsr();
    if (d != m_reportedDsr) {
        m_reportedDsr = d;
        reportDsr(d);
    }
}

} // namespace velmorix::sim
