// Serial devices on Linux and other POSIX systems: termios and the tty ioctls.
#include "serial/serial_os_posix.h"
#include "serial/serial_os.h"

#include "serial/line_check.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace velmorix {

namespace {

#ifdef BOTHER
constexpr tcflag_t kOtherRate = BOTHER;
#else
constexpr tcflag_t kOtherRate = 0010000; // Linux: the rate is given as a number
#endif

speed_t standardSpeed(qint32 rate) {
    switch (rate) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return 0;
    }
}

} // namespace

QStringList refusedLineSettings(const PortSettings& wanted, const termios& got) {
    QStringList refused;
    const tcflag_t c = got.c_cflag;

    const speed_t standard = standardSpeed(wanted.baudRate);
    const tcflag_t rateBits = c & (CBAUD | CBAUDEX);
    const bool rateTaken = standard != 0 ? rateBits == standard : rateBits == kOtherRate;
    if (!rateTaken)
        refused << rateName(wanted);

    if ((c & CSIZE) != (wanted.dataBits == 7 ? CS7 : CS8))
        refused << dataBitsName(wanted);

    bool parityTaken = false;
    const bool enabled = (c & PARENB) != 0;
    const bool odd = (c & PARODD) != 0;
#ifdef CMSPAR
    const bool stick = (c & CMSPAR) != 0;
#else
    const bool stick = false;
#endif
    switch (wanted.parity) {
    case Parity::None:
        parityTaken = !enabled;
        break;
    case Parity::Odd:
        parityTaken = enabled && odd && !stick;
        break;
    case Parity::Even:
        parityTaken = enabled && !odd && !stick;
        break;
    case Parity::Mark:
        parityTaken = enabled && odd && stick;
        break;
    case Parity::Space:
        parityTaken = enabled && !odd && stick;
        break;
    }
    if (!parityTaken)
        refused << parityName(wanted);

    if (((c & CSTOPB) != 0) != (wanted.stopBits == 2))
        refused << stopBitsName(wanted);
    if (((c & CRTSCTS) != 0) != wanted.hardwareFlow)
        refused << flowName(wanted);
    return refused;
}

bool isPseudoTerminal(int fd) {
    if (const char* name = ::ttyname(fd); name && QByteArray(name).startsWith("/dev/pts/"))
        return true;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143; // Unix 98 pseudo-terminal slaves
}

namespace serial_os {

bool modemLines(Handle fd, bool* cts, bool* dsr) {
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) == -1)
        return false;
    *cts = (bits & TIOCM_CTS) != 0;
    *dsr = (bits & TIOCM_DSR) != 0;
    return true;
}

bool deviceGone(QString* reason) {
    const int err = errno;
    if (err != EIO && err != ENXIO && err != ENODEV)
        return false;
    *reason = QString::fromLocal8Bit(::strerror(err));
    return true;
}

bool raiseDtr(Handle fd) {
    int dtr = TIOCM_DTR;
    return ::ioctl(fd, TIOCMBIS, &dtr) != -1;
}

qint64 inputQueued(Handle fd) {
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) == -1)
        return 0;
    return std::max(queued, 0);
}

qint64 outputQueued(Handle fd) {
    int queued = 0;
    if (::ioctl(fd, TIOCOUTQ, &queued) == -1)
        return 0;
    return std::max(queued, 0);
}

qint64 flushInput(Handle fd) {
    const qint64 queued = inputQueued(fd);
    if (queued <= 0 || ::tcflush(fd, TCIFLUSH) != 0)
        return 0;
    return queued;
}

bool clearSoftwareFlow(Handle fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) == -1)
        return true;
    if ((tio.c_iflag & (IXON | IXOFF | IXANY)) == 0)
        return true;
    tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
    return ::tcsetattr(fd, TCSANOW, &tio) != -1;
}

bool carriesNoLineSettings(Handle fd) {
    return isPseudoTerminal(fd);
}

QStringList refusedSettings(const PortSettings& wanted, Handle fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return {};
    return refusedLineSettings(wanted, tio);
}

bool hungUp(Handle fd) {
    pollfd pfd{fd, POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

bool readsHeld() {
    return true;
}

qint64 readHeld(Handle fd, char* data, qint64 count) {
    return ::read(fd, data, size_t(count));
}

} // namespace serial_os

} // namespace velmorix
