#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
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
// "38400,E,7,2": rate, parity letter (N, O, E, M, S), data bits, stop bits.
QString lineSettingsText(const PortSettings& s);

// What the console needs of a serial port, and nothing more. Every call comes from the event loop,
// and every notification is delivered on it. Every implementation keeps the same rules, and
// tests/ports holds them to it:
//
// - A closed port (never opened, closed, or failed) does nothing: isOpen(), cts() and dsr() are
//   false, inputCount() and outputCount() are 0, read() is empty, clearBuffer() and close() do
//   nothing and report nothing, and write() returns -1 with errorString() saying that the port
//   (by its device name) is not open.
// - open() reports CTS, then DSR, each once with its current state. On an open port it returns true
//   and reports nothing.
// - close() reports CTS off, then DSR off, each once, while isOpen() is still true; the port is
//   closed when they return.
// - Bytes that arrive while DSR is off are thrown away: never counted, never read, also not after
//   DSR comes back.
// - A port that fails while open (device gone, peer hung up) closes itself as close() does, then
//   reports the failure once through the error handler; errorString() holds the same text.
// - A line setting the device does not take (a rate, a parity, the flow control) never fails the
//   open; refusedSettings() names it until the next open() or setSettings().
// - A port that must first reach its line (a network port connecting to a device server) returns
//   from open() at once: it reports CTS and DSR off, then each change once the line is reached, and
//   a line it cannot reach is a failure as above. What it learns about the line afterwards (settings
//   the server did not confirm, a server that sends no modem state) changes refusedSettings() and
//   lineNote() and is said once through the learned handler.
class SerialPort {
public:
    using LineHandler = std::function<void(bool on)>;
    using ErrorHandler = std::function<void(const QString& text)>;

    virtual ~SerialPort() = default;

    // Takes effect at once when the port is open.
    virtual void setSettings(const PortSettings& settings) = 0;
    virtual PortSettings settings() const = 0;

    // Opens the port; false with errorString() on failure.
    virtual bool open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Hands all the bytes to the line and returns at once with their count; the far end receives
    // them in the order written. outputCount() tells how many have not reached the line yet.
    virtual qint64 write(const QByteArray& bytes) = 0;
    // Up to maxCount of the bytes received, oldest first; possibly fewer, possibly none.
    virtual QByteArray read(qint64 maxCount) = 0;
    // Bytes received and waiting to be read.
    virtual qint64 inputCount() = 0;
    // Bytes written but not yet on the line (our buffer plus the driver's queue).
    virtual qint64 outputCount() = 0;
    // Throws away what was received and not read (input), and what was written and has not left
    // (output).
    virtual void clearBuffer(bool input, bool output) = 0;

    virtual bool cts() const = 0;
    virtual bool dsr() const = 0;
    virtual QString errorString() const = 0;
    // The line settings the open device did not take, each as the operator chose it ("28800 baud",
    // "mark parity", "RTS/CTS flow control"); empty when it took them all, or carries none (a
    // pseudo-terminal).
    virtual QStringList refusedSettings() const { return {}; }
    // What the operator should know about this port's modem lines beyond the device's name, e.g.
    // that the device server sends no modem state, so DSR and CTS count as on; empty for most.
    virtual QString lineNote() const { return {}; }

    // Changes of the lines while open are reported as they are seen, once per change.
    void setCtsHandler(LineHandler handler) { m_ctsHandler = std::move(handler); }
    void setDsrHandler(LineHandler handler) { m_dsrHandler = std::move(handler); }
    void setErrorHandler(ErrorHandler handler) { m_errorHandler = std::move(handler); }
    // refusedSettings() or lineNote() changed after open() returned.
    void setLearnedHandler(std::function<void()> handler) { m_learnedHandler = std::move(handler); }

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
    void reportLearned() {
        if (m_learnedHandler)
            m_learnedHandler();
    }
    // What errorString() says after a write() on a closed port.
    QString notOpenText() const { return QStringLiteral("Port %1 is not open").arg(settings().name); }

private:
    LineHandler m_ctsHandler;
    LineHandler m_dsrHandler;
    ErrorHandler m_errorHandler;
    std::function<void()> m_learnedHandler;
};

// Creates the port object for a device name (see PortNames); never null.
using PortFactory = std::function<std::unique_ptr<SerialPort>(const QString& device)>;

// What the system can tell about a device that would not open, so the operator can be told the fix.
struct PortFacts {
    enum class Problem { Other, Missing, NoPermission };
    Problem problem = Problem::Other;
    QStringList devices; // the serial devices present on this machine
    QString group;       // NoPermission: the group that owns the device
    QString owner;       // NoPermission: the user that owns the device
    int mode = 0;        // NoPermission: its permission bits (0660: owner and group may read and write)
    QString user;        // NoPermission: who runs the program
};
using PortInspector = std::function<PortFacts(const QString& device)>;

} // namespace velmorix
