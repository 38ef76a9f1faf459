#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace velmorix {

enum class Parity { None, Odd, Even, Mark, Space };

// Line settings of a serial port. `name` is the device the implementation opens (a tty path,
// "simulator", a Windows port name); the console maps its "COM" + number names onto it.
struct PortSettings {
    QString name;
    qint32 baudRate = 38400;
    bool customRate = false; // 28800 is not a standard rate on every platform
    Parity parity = Parity::Even;
    int dataBits = 7;
    int stopBits = 2;
    bool hardwareFlow = true; // RTS/CTS; XON/XOFF is never set, those bytes reach the console as data

    bool operator==(const PortSettings&) const = default;
};

// Bits on the line for one character with these settings (start + data + parity + stop).
int bitsPerCharacter(const PortSettings& s);

// What the console needs of a serial port, and nothing more. Every call comes from the event loop,
// and every notification is delivered on it.
class SerialPort {
public:
    using LineHandler = std::function<void(bool on)>;
    using ErrorHandler = std::function<void(const QString& text)>;

    virtual ~SerialPort() = default;

    // Takes effect at once when the port is open.
    virtual void setSettings(const PortSettings& settings) = 0;
    virtual PortSettings settings() const = 0;

    // Opens the port; false with errorString() on failure. Right after opening, the current CTS and
    // DSR states are reported through the line handlers. No effect when already open.
    virtual bool open() = 0;
    // Reports CTS and DSR as off right before closing. No effect when closed.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Hands the bytes to the line and returns at once with the count accepted; -1 with errorString()
    // when the port is not open. outputCount() tells how many have not reached the line yet.
    virtual qint64 write(const QByteArray& bytes) = 0;
    // Up to maxCount bytes already received, possibly none.
    virtual QByteArray read(qint64 maxCount) = 0;
    // Bytes waiting to be read, or -1 with errorString() when the port failed.
    virtual qint64 inputCount() = 0;
    // Bytes written but not yet on the line (our buffer plus the driver's queue).
    virtual qint64 outputCount() = 0;
    virtual void clearBuffer(bool input, bool output) = 0;

    virtual bool cts() const = 0;
    virtual bool dsr() const = 0;
    virtual QString errorString() const = 0;

    void setCtsHandler(LineHandler handler) { m_ctsHandler = std::move(handler); }
    void setDsrHandler(LineHandler handler) { m_dsrHandler = std::move(handler); }
    // A port that fails while open (device gone, peer hung up) reports it once and closes itself.
    void setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }

protected:
    void reportCts(bool on) {
        if (m_ctsHandler)
            m_ctsHandler(on);
    }
    void reportDsr(bool on) {
        if (m_dsrHandler)
            m_dsrHandler(on);
    }
    void reportError(const QString& text) {
        if (m_errorHandler)
            m_errorHandler(text);
    }

private:
    LineHandler m_ctsHandler;
    LineHandler m_dsrHandler;
    ErrorHandler m_errorHandler;
};

// Creates the port object for a device name (see PortNames); never null.
using PortFactory = std::function<std::unique_ptr<SerialPort>(const QString& device)>;

} // namespace velmorix
