#pragma once

#include "platform/serial_port.h"

#include <QByteArray>
#include <optional>
#include <random>

namespace velmorix::sim {

class SimulatedController;

// The cable between the console's port and the controller. Each byte occupies the line for its bits
// (start, data, parity, stop) at the sender's baud rate; bytes sent back to back follow each other
// without a gap. A receiver whose settings differ from the sender's reads garbage. With hardware flow
// control the console's next byte waits while the controller holds CTS off.
class Wire {
public:
    explicit Wire(SimulatedController& controller);

    SimulatedController& controller() { return m_controller; }
    void setConsoleSettings(const PortSettings& settings);
    const PortSettings& consoleSettings() const { return m_console; }

    // Brings the line up idle at nowUs, forgetting anything in flight.
    void reset(qint64 nowUs);
    // Runs the line up to nowUs.
    void sync(qint64 nowUs);

    // The console's side.
    // Whether the console's port throws away what arrives while DSR is off (SimulatedPort does, as
    // every SerialPort must); off, the bytes are passed on to whoever carries them further.
    void setDropInputWhileDsrOff(bool on) { m_dropWhileDsrOff = on; }
    void consoleWrite(const QByteArray& bytes, qint64 nowUs);
    qint64 consolePending() const; // written but not yet arrived at the controller
    qint64 receivedCount() const { return m_received.size(); }
    QByteArray takeReceived(qint64 maxCount);
    void clearReceived() { m_received.clear(); }
    void clearPending();

    bool cts() const;
    bool dsr() const;
    qint64 nowUs() const { return m_nowUs; }
    // When the last byte to the console finished arriving.
    qint64 lastArrivalUs() const { return m_in.freeUs; }

    // Time one character of these settings takes, in microseconds (fractional).
    static double charTimeUs(const PortSettings& s);

private:
    struct Direction {
        std::optional<quint8> inFlight;
        PortSettings sender;
        qint64 endUs = 0;
        qint64 freeUs = 0;   // when the last byte ended
        qint64 anchorUs = 0; // start of the current back-to-back run
        qint64 count = 0;    // bytes started in the run
    };
    static void start(Direction& d, quint8 byte, const PortSettings& sender, qint64 atUs);
    static quint8 carry(quint8 byte, const PortSettings& sender, const PortSettings& receiver);
    void startIdle(qint64 atUs);
    // Flips data bits at the line's bit-error rate, if it has one. A receiver that checks parity
    // catches an odd number of flips and reads the byte as 0, as a serial driver does.
    quint8 addNoise(quint8 byte, const PortSettings& receiver, qint64 atUs);
    void logLines(qint64 atUs);

    SimulatedController& m_controller;
    PortSettings m_console;
    QByteArray m_toController; // waiting to start
    QByteArray m_received;     // arrived at the console, not yet read
    Direction m_out;           // console to controller
    Direction m_in;            // controller to console
    qint64 m_nowUs = 0;
    bool m_loggedCts = false;
    bool m_loggedDsr = false;
    bool m_dropWhileDsrOff = false;
    std::minstd_rand m_noise{20261209}; // the same noise in every run
};

} // namespace velmorix::sim
