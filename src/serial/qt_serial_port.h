#pragma once

#include "platform/serial_port.h"
#include "serial/serial_os.h"

#include <QSerialPort>
#include <QTimer>

namespace velmorix {

// The serial port on QSerialPort.
//
// - Line settings a device refuses are logged and skipped; they never fail the open. What the driver
//   did not keep is read back after every open and change and named by refusedSettings(). A
//   pseudo-terminal carries no line settings and refuses none.
// - Hardware flow control only: IXON, IXOFF and IXANY stay clear, so XOFF and XON arrive as data.
// - DTR is on while the port is open.
// - CTS and DSR are polled every 20 ms and changes reported on the event loop. A device without
//   modem lines (a pseudo-terminal, a network bridge) counts as one whose CTS and DSR are on.
// - Bytes received while DSR is off are thrown away.
// - A read or resource error while open (device gone, peer hung up) closes the port and is
//   reported once; QSerialPort would otherwise repeat it as fast as the event loop turns.
class QtSerialPort final : public SerialPort {
public:
    // Reads the modem lines of an open device; false when the device has none.
    using LineProbe = std::function<bool(serial_os::Handle device, bool* cts, bool* dsr)>;

    explicit QtSerialPort(const QString& device = {});
    ~QtSerialPort() override;

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

    bool cts() const override { return m_open && m_cts; }
    bool dsr() const override { return m_open && m_dsr; }
    QString errorString() const override { return m_error; }
    QStringList refusedSettings() const override { return m_open ? m_refused : QStringList(); }

    // Where the modem lines come from; TIOCMGET unless replaced (tests move the lines by hand).
    void setLineProbe(LineProbe probe) { m_probe = std::move(probe); }
    // Bytes thrown away because they arrived while DSR was off, since the port was made.
    qint64 discardedBytes() const { return m_discarded; }

    static constexpr int kLinePollMs = 20;

private:
    void applySettings();
    // Bytes the driver holds that Qt has not fetched.
    qint64 driverInput() const;
    void pollLines();
    void discardWhileDsrOff();
    void discardDriverInput();
    void onError(QSerialPort::SerialPortError error);
    void fail(const QString& text);

    PortSettings m_settings;
    QSerialPort m_port;
    QTimer m_lineTimer;
    LineProbe m_probe;
    bool m_open = false;
    bool m_closing = false;
    bool m_failing = false;
    bool m_modemLines = false;
    bool m_cts = false;
    bool m_dsr = false;
    qint64 m_discarded = 0;
    QString m_error;
    QStringList m_refused;
};

} // namespace velmorix
