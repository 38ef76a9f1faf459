#include "sim/pty_server.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velmorix::sim {

namespace {
struct Speed {
    speed_t code;
    qint32 rate;
};
constexpr Speed kSpeeds[] = {{B1200, 1200},   {B2400, 2400},     {B4800, 4800},
                             {B9600, 9600},   {B19200, 19200},   {B38400, 38400},
                             {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};

speed_t speedCode(qint32 rate) {
    for (const auto& s : kSpeeds)
        if (s.rate == rate)
            return s.code;
    return B38400;
}

QString systemError(const QString& what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

TerminalServer::TerminalServer(SimulatedController& controller, Clock& clock)
    : m_controller(controller), m_clock(clock), m_wire(controller) {
    m_wire.setConsoleSettings(controller.lineSettings());
    m_lineTimer = m_clock.createTimer(1, [this] { tick(); });
}

TerminalServer::~TerminalServer() {
    m_notifier.reset();
    if (m_fd >= 0)
        ::close(m_fd);
}

void TerminalServer::configure(int fd) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    const PortSettings s = m_controller.lineSettings();
    cfsetispeed(&t, speedCode(s.baudRate));
    cfsetospeed(&t, speedCode(s.baudRate));
    t.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= (s.dataBits == 7 ? CS7 : CS8) | CLOCAL | CREAD;
    if (s.parity == Parity::Even || s.parity == Parity::Odd)
        t.c_cflag |= PARENB | (s.parity == Parity::Odd ? PARODD : 0);
    if (s.stopBits == 2)
        t.c_cflag |= CSTOPB;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
}

bool TerminalServer::openPseudoTerminal(QString* error) {
    int master = -1;
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        *error = systemError(QStringLiteral("openpty"));
        return false;
    }
    configure(slave);
    // The other end stays closed until the console opens it: a line with nobody on it carries
    // nothing, and the master says so (POLLHUP) while nobody holds it. The console's settings are
    // read through the master, which reports its peer's.
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    m_fd = master;
    m_path = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    m_notifier->setEnabled(false); // until the console opens its end
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { onReadable(); });
    m_wire.reset(m_clock.nowUs());
    m_lineTimer->setEnabled(true);
    return true;
}

bool TerminalServer::openDevice(const QString& path, QString* error) {
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *error = systemError(path);
        return false;
    }
    configure(fd);
    m_fd = fd;
    m_device = true;
    m_path = path;
    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { onReadable(); });
    m_wire.reset(m_clock.nowUs());
    m_lineTimer->setEnabled(true);
    tick();
    return true;
}

void TerminalServer::followConsoleSettings() {
    // The console set its line on the pseudo-terminal's other end. A pseudo-terminal always keeps 8
    // data bits without parity, so only the rate and the stop bits tell; a rate termios cannot name
    // (a custom 28800) is taken as ours.
    termios t{};
    if (m_fd < 0 || tcgetattr(m_fd, &t) != 0)
        return;
    PortSettings s = m_controller.lineSettings();
    const speed_t code = cfgetospeed(&t);
    for (const auto& sp : kSpeeds)
        if (sp.code == code && speedCode(s.baudRate) != code)
            s.baudRate = sp.rate;
    s.stopBits = (t.c_cflag & CSTOPB) ? 2 : 1;
    m_wire.setConsoleSettings(s);
}

void TerminalServer::onReadable() {
    char buf[4096];
    const ssize_t n = ::read(m_fd, buf, sizeof buf);
    if (n > 0) {
        if (!m_device)
            followConsoleSettings();
        m_wire.consoleWrite(QByteArray(buf, n), m_clock.nowUs());
    }
}

void TerminalServer::readToTheEnd() {
    char buf[4096];
    ssize_t n = 0;
    while ((n = ::read(m_fd, buf, sizeof buf)) > 0)
        m_wire.consoleWrite(QByteArray(buf, n), m_clock.nowUs());
}

void TerminalServer::hangUp() {
    m_notifier.reset();
    m_lineTimer->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    m_controller.log().addNote(QStringLiteral("the terminal hung up"), m_clock.nowUs());
    m_controller.lineLost(QStringLiteral("the terminal hung up"), m_clock.nowUs());
}

bool TerminalServer::followListener() {
    if (m_device)
        return true;
    pollfd pfd{m_fd, POLLIN, 0};
    const bool listener = ::poll(&pfd, 1, 0) >= 0 && (pfd.revents & POLLHUP) == 0;
    if (!listener && m_listener) {
        // A serial port's close waits for its output to drain: what the console wrote before it
        // closed its end is on the wire, and arrives before the line is lost. A line held by CTS
        // drains no further; the close gives up on it after a while, as a driver's does.
        const qint64 now = m_clock.nowUs();
        if (!m_closing) {
            m_closing = true;
            m_closingSinceUs = now;
            m_notifier->setEnabled(false);
            readToTheEnd();
        }
        if (m_wire.consolePending() > 0 && now - m_closingSinceUs < kCloseDrainUs)
            return true;
        m_wire.clearPending();
    }
    m_closing = false;
    if (listener == m_listener)
        return listener;
    m_listener = listener;
    const qint64 now = m_clock.nowUs();
    // A master without a peer reads as ready for ever (with an error): it is watched again once the
    // console holds its end.
    m_notifier->setEnabled(listener);
    if (listener) {
        m_controller.log().addNote(QStringLiteral("the console opened the line"), now);
    } else {
        m_controller.log().addNote(QStringLiteral("the console closed the line"), now);
        m_controller.lineLost(QStringLiteral("the console closed the line"), now);
    }
    return listener;
}

void TerminalServer::deliver() {
    m_fifo += m_wire.takeReceived(1 << 16);
    if (m_fifo.isEmpty())
        return;
    constexpr qsizetype kFifo = 16;
    constexpr qint64 kQuietUs = 1000;
    // A device is a UART already; on a pseudo-terminal whole FIFOs go, and the rest once the line
    // has been quiet for a millisecond.
    qsizetype count = m_fifo.size();
    if (!m_device && m_clock.nowUs() - m_wire.lastArrivalUs() < kQuietUs)
        count -= count % kFifo;
    if (count == 0)
        return;
    const ssize_t n = ::write(m_fd, m_fifo.constData(), size_t(count));
    if (n > 0)
        m_fifo.remove(0, n);
    else if (errno != EAGAIN)
        m_fifo.clear();
}

void TerminalServer::tick() {
    if (m_controller.portVanished(m_clock.nowUs())) {
        hangUp();
        return;
    }
    const bool listener = followListener();
    if (!m_device && listener)
        followConsoleSettings();
    m_wire.sync(m_clock.nowUs());
    if (!listener) {
        // What the controller sends while nobody holds the terminal goes nowhere.
        m_wire.clearReceived();
        m_fifo.clear();
        return;
    }
    deliver();
    if (m_device) {
        const bool dtr = m_wire.dsr();
        const bool rts = m_wire.cts();
        if (dtr != m_dtr || rts != m_rts) {
            int bits = TIOCM_DTR;
            ::ioctl(m_fd, dtr ? TIOCMBIS : TIOCMBIC, &bits);
            bits = TIOCM_RTS;
            ::ioctl(m_fd, rts ? TIOCMBIS : TIOCMBIC, &bits);
            m_dtr = dtr;
            m_rts = rts;
        }
    }
}

} // namespace velmorix::sim
