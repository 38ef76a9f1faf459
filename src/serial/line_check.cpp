#include "serial/line_check.h"

#include <cstdlib>
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

QString rateName(const PortSettings& s) {
    return QStringLiteral("%1 baud").arg(s.baudRate);
}

QString dataBitsName(const PortSettings& s) {
    return QStringLiteral("%1 data bits").arg(s.dataBits);
}

QString parityName(const PortSettings& s) {
    switch (s.parity) {
    case Parity::None:
        return QStringLiteral("no parity");
    case Parity::Odd:
        return QStringLiteral("odd parity");
    case Parity::Even:
        return QStringLiteral("even parity");
    case Parity::Mark:
        return QStringLiteral("mark parity");
    case Parity::Space:
        return QStringLiteral("space parity");
    }
    return {};
}

QString stopBitsName(const PortSettings& s) {
    return s.stopBits == 2 ? QStringLiteral("2 stop bits") : QStringLiteral("1 stop bit");
}

QString flowName(const PortSettings& s) {
    return s.hardwareFlow ? QStringLiteral("RTS/CTS flow control") : QStringLiteral("no flow control");
}

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

} // namespace velmorix
