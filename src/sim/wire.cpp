#include "sim/wire.h"

#include "sim/codec.h"
#include "sim/controller.h"

#include <cmath>

namespace velmorix::sim {

Wire::Wire(SimulatedController& controller) : m_controller(controller) {}

void Wire::setConsoleSettings(const PortSettings& settings) {
    m_console = settings;
}

double Wire::charTimeUs(const PortSettings& s) {
    return double(bitsPerCharacter(s)) * 1e6 / double(std::max(s.baudRate, 1));
}

void Wire::reset(qint64 nowUs) {
    m_nowUs = nowUs;
    m_out = Direction{};
    m_in = Direction{};
    m_out.freeUs = m_in.freeUs = nowUs;
    m_toController.clear();
    m_controller.advance(nowUs);
    logLines(nowUs);
    startIdle(nowUs);
}

void Wire::start(Direction& d, quint8 byte, const PortSettings& sender, qint64 atUs) {
    // A byte that starts the moment the one before ended continues the run, so rounding never adds up.
    if (d.freeUs != atUs || d.count == 0 || !(d.sender == sender)) {
        d.anchorUs = atUs;
        d.count = 0;
    }
    d.sender = sender;
    ++d.count;
    const auto bits = static_cast<qint64>(bitsPerCharacter(sender));
    const auto baud = static_cast<qint64>(std::max(sender.baudRate, 1));
    d.endUs = d.anchorUs + (d.count * bits * 1000000 + baud - 1) / baud;
    d.inFlight = byte;
}

quint8 Wire::carry(quint8 byte, const PortSettings& sender, const PortSettings& receiver) {
    if (sender.dataBits == 7)
        byte &= 0x7F;
    const bool match = sender.baudRate == receiver.baudRate && sender.parity == receiver.parity &&
                       sender.dataBits == receiver.dataBits && sender.stopBits == receiver.stopBits;
    if (!match)
        byte = garble(byte);
    if (receiver.dataBits == 7)
        byte &= 0x7F;
    return byte;
}

quint8 Wire::addNoise(quint8 byte, const PortSettings& receiver, qint64 atUs) {
    const int perMillion = m_controller.bitErrorsPerMillion(atUs);
    if (perMillion <= 0)
        return byte;
    std::uniform_int_distribution<int> draw(0, 999999);
    int flips = 0;
    for (int bit = 0; bit < receiver.dataBits; ++bit) {
        if (draw(m_noise) < perMillion) {
            byte ^= static_cast<quint8>(1u << bit);
            ++flips;
        }
    }
    if (flips % 2 == 1 && receiver.parity != Parity::None)
        return 0;
    return byte;
}

void Wire::startIdle(qint64 atUs) {
    if (!m_out.inFlight && !m_toController.isEmpty() && (!m_console.hardwareFlow || m_controller.cts(atUs))) {
        start(m_out, static_cast<quint8>(m_toController[0]), m_console, atUs);
        m_toController.remove(0, 1);
    }
    if (!m_in.inFlight) {
        if (const auto b = m_controller.takeByte(atUs))
            start(m_in, *b, m_controller.lineSettings(), atUs);
    }
}

void Wire::logLines(qint64 atUs) {
    const bool c = m_controller.cts(atUs);
    const bool d = m_controller.dsr(atUs);
    if (d != m_loggedDsr)
        m_controller.log().addLine(d ? QStringLiteral("DSR on") : QStringLiteral("DSR off"), atUs);
    if (c != m_loggedCts)
        m_controller.log().addLine(c ? QStringLiteral("CTS on") : QStringLiteral("CTS off"), atUs);
    m_loggedCts = c;
    m_loggedDsr = d;
}

void Wire::sync(qint64 nowUs) {
    for (;;) {
        startIdle(m_nowUs);
        qint64 next = m_controller.nextEventUs();
        if (m_out.inFlight)
            next = std::min(next, m_out.endUs);
        if (m_in.inFlight)
            next = std::min(next, m_in.endUs);
        if (next > nowUs)
            break;
        m_nowUs = std::max(m_nowUs, next);
        m_controller.advance(m_nowUs);
        if (m_out.inFlight && m_out.endUs <= m_nowUs) {
            const quint8 b = addNoise(carry(*m_out.inFlight, m_out.sender, m_controller.lineSettings()),
                                      m_controller.lineSettings(), m_nowUs);
            m_out.inFlight.reset();
            m_out.freeUs = m_nowUs;
            if (m_controller.carriesData()) {
                m_controller.log().addByte(WireRecorder::Kind::ToController, b, m_nowUs);
                m_controller.receive(b, m_nowUs);
            }
        }
        if (m_in.inFlight && m_in.endUs <= m_nowUs) {
            const quint8 b = addNoise(carry(*m_in.inFlight, m_in.sender, m_console), m_console, m_nowUs);
            m_in.inFlight.reset();
            m_in.freeUs = m_nowUs;
            m_controller.log().addByte(WireRecorder::Kind::ToConsole, b, m_nowUs);
            if (!m_dropWhileDsrOff || m_controller.dsr(m_nowUs))
                m_received.append(static_cast<char>(b));
        }
        logLines(m_nowUs);
    }
    m_nowUs = std::max(m_nowUs, nowUs);
    m_controller.advance(m_nowUs);
    logLines(m_nowUs);
    startIdle(m_nowUs);
}

void Wire::consoleWrite(const QByteArray& bytes, qint64 nowUs) {
    sync(nowUs);
    m_toController += bytes;
    startIdle(m_nowUs);
}

qint64 Wire::consolePending() const {
    return m_toController.size() + (m_out.inFlight ? 1 : 0);
}

QByteArray Wire::takeReceived(qint64 maxCount) {
    const QByteArray out = m_received.left(maxCount);
    m_received.remove(0, out.size());
    return out;
}

void Wire::clearPending() {
    m_toController.clear();
}

bool Wire::cts() const {
    return m_controller.cts(m_nowUs);
}
bool Wire::dsr() const {
    return m_controller.dsr(m_nowUs);
}

} // namespace velmorix::sim
