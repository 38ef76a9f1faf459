#pragma once

#include "platform/serial_port.h"

#include <QtGlobal>

namespace velmorix {

// The console's own model of the wire. A port cannot always say what it still holds: a
// pseudo-terminal always reports an empty output queue, and a USB adapter's FIFO or a network device
// server holds bytes the driver cannot see. A character takes (1 + data + parity + stop bits) / baud
// seconds to cross, so what was written minus what the line could have carried since is still in
// flight; the driver's own count is believed whenever it says more. With hardware flow control the line
// carries nothing while CTS is off.
class LineClock {
public:
    void setSettings(const PortSettings& settings);
    // Nothing in flight: the port was opened, closed, or its output thrown away.
    void reset(qint64 nowUs);
    // `bytes` were handed to the port at nowUs.
    void wrote(qint64 bytes, qint64 nowUs);
    void setCts(bool on, qint64 nowUs);

    // Bytes not yet across at nowUs: the larger of the model and what the driver reports. A driver
    // that reports more than the model holds those bytes for at least their time on the line.
    qint64 inFlight(qint64 nowUs, qint64 driverCount);
    // When the last byte written will have crossed, if the line is not held meanwhile.
    qint64 clearAtUs(qint64 nowUs) const;
    // Time one character takes, in microseconds.
    double charTimeUs() const { return m_charUs; }
    // Characters a second at these settings.
    double charsPerSecond() const { return 1e6 / m_charUs; }

private:
    qint64 modelled(qint64 nowUs) const;

    double m_charUs = 11.0 * 1e6 / 38400.0;
    bool m_hardwareFlow = true;
    bool m_held = false;     // CTS off with hardware flow control
    double m_doneUs = 0;     // when the last byte written finishes crossing (while not held)
    double m_heldLeftUs = 0; // line time still owed when CTS went off
};

} // namespace velmorix
