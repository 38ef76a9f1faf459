#include "serial/qt_serial_port.h"

#include "serial/line_check.h"
#include "serial/serial_os.h"

#include <QLoggingCategory>

#include <algorithm>

namespace velmorix {

namespace {

Q_LOGGING_CATEGORY(lcSerial, "velmorix.serial", QtWarningMsg)

QSerialPort::Parity qtParity(Parity p) {
    switch (p) {
    case Parity::None:
        return QSerialPort::NoParity;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::EvenParity;
}

} // namespace

QtSerialPort::QtSerialPort(const QString& device) : m_probe(serial_os::modemLines) {
    m_settings.name = device;
    // Qt fetches one byte and then leaves the rest in the driver until the tick reads: the console
    // is not woken for bytes it will only look at on its next tick.
    if (serial_os::readsHeld())
        m_port.setReadBufferSize(1);
    m_lineTimer.setInterval(kLinePollMs);
    QObject::connect(&m_lineTimer, &QTimer::timeout, &m_port, [this] { pollLines(); });
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] { discardWhileDsrOff(); });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialPort::~QtSerialPort() {
    // Closed quietly: whoever listens to the line handlers may already be gone.
    m_lineTimer.stop();
    if (m_port.isOpen())
        m_port.close();
}

void QtSerialPort::setSettings(const PortSettings& settings) {
    const bool otherDevice = settings.name != m_settings.name;
    m_settings = settings;
    if (!m_open)
        return;
    if (otherDevice) {
        close();
        open();
    } else {
        applySettings();
    }
}

bool QtSerialPort::open() {
    if (m_open)
        return true;
    m_error.clear();
    m_refused.clear();
    m_failing = false;
    m_port.setPortName(m_settings.name);
    // Opened on settings every tty takes; the real ones follow one by one, so that one the device
    // refuses does not fail the open.
    m_port.setBaudRate(QSerialPort::Baud38400);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_error = m_port.errorString();
        m_port.clearError();
        return false;
    }
    applySettings();

    const auto handle = m_port.handle();
    if (!serial_os::raiseDtr(handle))
        qCDebug(lcSerial) << m_settings.name << "has no DTR line";
    bool cts = false;
    bool dsr = false;
    m_modemLines = m_probe(handle, &cts, &dsr);
    if (!m_modemLines)
        cts = dsr = true;
    m_cts = cts;
    m_dsr = dsr;
    m_open = true;
    if (m_modemLines)
        m_lineTimer.start();
    reportCts(m_cts);
    reportDsr(m_dsr);
    return true;
}

void QtSerialPort::applySettings() {
    QStringList refused;
    const auto take = [this, &refused](bool ok, const QString& what) {
        if (ok)
            return;
        qCInfo(lcSerial) << m_settings.name << "refuses" << what << "-" << m_port.errorString();
        m_port.clearError();
        refused << what;
    };
    take(m_port.setBaudRate(m_settings.baudRate), rateName(m_settings));
    take(m_port.setDataBits(m_settings.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8),
         dataBitsName(m_settings));
    take(m_port.setParity(qtParity(m_settings.parity)), parityName(m_settings));
    take(m_port.setStopBits(m_settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop),
         stopBitsName(m_settings));
    take(m_port.setFlowControl(m_settings.hardwareFlow ? QSerialPort::HardwareControl
                                                       : QSerialPort::NoFlowControl),
         flowName(m_settings));
    if (!serial_os::clearSoftwareFlow(m_port.handle()))
        qCWarning(lcSerial) << m_settings.name << "keeps XON/XOFF flow control on";

    // A driver takes what it can and clears the rest without failing, so what it kept is read back.
    // A pseudo-terminal carries none of these settings and is never said to refuse them.
    m_refused.clear();
    if (serial_os::carriesNoLineSettings(m_port.handle()))
        return;
    refused << serial_os::refusedSettings(m_settings, m_port.handle());
    for (const QString& what : refused)
        if (!m_refused.contains(what))
            m_refused << what;
}

qint64 QtSerialPort::driverInput() const {
    return serial_os::inputQueued(m_port.handle());
}

void QtSerialPort::close() {
    if (!m_open || m_closing)
        return;
    m_closing = true;
    reportCts(false);
    reportDsr(false);
    m_lineTimer.stop();
    m_port.close();
    m_port.clearError();
    m_open = false;
    m_cts = m_dsr = false;
    m_closing = false;
}

qint64 QtSerialPort::write(const QByteArray& bytes) {
    if (!m_open) {
        m_error = notOpenText();
        return -1;
    }
    const qint64 n = m_port.write(bytes);
    if (n < 0)
        m_error = m_port.errorString();
    return n;
}

QByteArray QtSerialPort::read(qint64 maxCount) {
    if (!m_open || maxCount <= 0)
        return {};
    discardWhileDsrOff();
    // What Qt fetched came first; then what the driver still holds.
    QByteArray out = m_port.read(maxCount);
    qint64 more = std::min(maxCount - out.size(), driverInput());
    while (more > 0) {
        // A terminal may hand over less than it holds in one call.
        const qsizetype had = out.size();
        out.resize(had + more);
        const qint64 n = serial_os::readHeld(m_port.handle(), out.data() + had, more);
        out.resize(had + std::max<qsizetype>(n, 0));
        if (n <= 0)
            break;
        more -= n;
    }
    return out;
}

qint64 QtSerialPort::inputCount() {
    if (!m_open)
        return 0;
    discardWhileDsrOff();
    return m_port.bytesAvailable() + driverInput();
}

qint64 QtSerialPort::outputCount() {
    if (!m_open)
        return 0;
    return m_port.bytesToWrite() + serial_os::outputQueued(m_port.handle());
}

void QtSerialPort::clearBuffer(bool input, bool output) {
    if (!m_open || (!input && !output))
        return;
    const QSerialPort::Directions directions = input && output ? QSerialPort::AllDirections
                                               : input         ? QSerialPort::Input
                                                               : QSerialPort::Output;
    if (!m_port.clear(directions))
        m_port.clearError();
}

void QtSerialPort::discardWhileDsrOff() {
    if (!m_open || m_dsr)
        return;
    if (m_port.bytesAvailable() > 0)
        m_discarded += m_port.readAll().size();
    discardDriverInput();
}

void QtSerialPort::discardDriverInput() {
    m_discarded += serial_os::flushInput(m_port.handle());
}

void QtSerialPort::pollLines() {
    if (!m_open)
        return;
    bool cts = m_cts;
    bool dsr = m_dsr;
    if (!m_probe(m_port.handle(), &cts, &dsr)) {
        if (QString reason; serial_os::deviceGone(&reason))
            fail(QStringLiteral("%1: %2").arg(m_settings.name, reason));
        return;
    }
    if (dsr != m_dsr) {
        // What came in before DSR was seen to change arrived while it was off, also what the
        // driver holds and Qt has not fetched yet.
        if (dsr) {
            discardWhileDsrOff();
            discardDriverInput();
        }
        m_dsr = dsr;
        reportDsr(dsr);
    }
    if (m_open && cts != m_cts) {
        m_cts = cts;
        reportCts(cts);
    }
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    if (!m_open || m_failing)
        return;
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    m_failing = true;
    // After a hang-up QSerialPort reads end-of-file and words it with whatever errno was left over,
    // so a line that is gone gets its own text.
    const QString text = serial_os::hungUp(m_port.handle())
                             ? QStringLiteral("%1 was disconnected").arg(m_settings.name)
                             : QStringLiteral("%1: %2").arg(m_settings.name, m_port.errorString());
    // Closed from the event loop rather than inside QSerialPort's own notification.
    QMetaObject::invokeMethod(
        &m_port, [this, text] { fail(text); }, Qt::QueuedConnection);
}

void QtSerialPort::fail(const QString& text) {
    if (!m_open)
        return;
    m_failing = true;
    close();
    m_error = text;
    reportError(text);
}

} // namespace velmorix
