#include "serial/qt_serial_port.h"

#include "serial/line_check.h"

#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velmorix {

namespace {

Q_LOGGING_CATEGORY(lcSerial, "velmorix.serial", QtWarningMsg)

bool probeModemLines(int fd, bool* cts, bool* dsr) {
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) == -1)
        return false;
    *cts = (bits & TIOCM_CTS) != 0;
    *dsr = (bits & TIOCM_DSR) != 0;
    return true;
}

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

QtSerialPort::QtSerialPort(const QString& device) : m_probe(probeModemLines) {
    m_settings.name = device;
    // Qt fetches one byte and then leaves the rest in the driver until the tick reads: the console
    // is not woken for bytes it will only look at on its next tick.
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

    const int fd = m_port.handle();
    int dtr = TIOCM_DTR;
    if (::ioctl(fd, TIOCMBIS, &dtr) == -1)
        qCDebug(lcSerial) << m_settings.name << "has no DTR line";
    bool cts = false;
    bool dsr = false;
    m_modemLines = m_probe(fd, &cts, &dsr);
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
    clearSoftwareFlow();

    // A driver takes what it can and clears the rest without failing, so what it kept is read back.
    // A pseudo-terminal carries none of these settings and is never said to refuse them.
    const int fd = m_port.handle();
    m_refused.clear();
    if (isPseudoTerminal(fd))
        return;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0)
        refused << refusedLineSettings(m_settings, tio);
    for (const QString& what : refused)
        if (!m_refused.contains(what))
            m_refused << what;
}

void QtSerialPort::clearSoftwareFlow() {
    const int fd = m_port.handle();
    termios tio{};
    if (::tcgetattr(fd, &tio) == -1)
        return;
    if ((tio.c_iflag & (IXON | IXOFF | IXANY)) == 0)
        return;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    if (::tcsetattr(fd, TCSANOW, &tio) == -1)
        qCWarning(lcSerial) << m_settings.name << "keeps XON/XOFF flow control on";
}

qint64 QtSerialPort::driverInput() const {
    int queued = 0;
    if (::ioctl(m_port.handle(), FIONREAD, &queued) == -1)
        return 0;
    return std::max(queued, 0);
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
        const ssize_t n = ::read(m_port.handle(), out.data() + had, size_t(more));
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
    int queued = 0;
    if (::ioctl(m_port.handle(), TIOCOUTQ, &queued) == -1)
        queued = 0;
    return m_port.bytesToWrite() + queued;
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
    int queued = 0;
    if (::ioctl(m_port.handle(), FIONREAD, &queued) == -1 || queued <= 0)
        return;
    if (::tcflush(m_port.handle(), TCIFLUSH) == 0)
        m_discarded += queued;
}

void QtSerialPort::pollLines() {
    if (!m_open)
        return;
    bool cts = m_cts;
    bool dsr = m_dsr;
    if (!m_probe(m_port.handle(), &cts, &dsr)) {
        const int err = errno;
        if (err == EIO || err == ENXIO || err == ENODEV)
            fail(QStringLiteral("%1: %2").arg(m_settings.name, QString::fromLocal8Bit(::strerror(err))));
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
    pollfd pfd{m_port.handle(), POLLIN, 0};
    const bool hungUp = ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    const QString text = hungUp ? QStringLiteral("%1 was disconnected").arg(m_settings.name)
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
