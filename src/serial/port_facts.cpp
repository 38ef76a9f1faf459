#include "serial/port_facts.h"

#include <QFile>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmorix {

QStringList serialDevices() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    return devices;
}

PortFacts inspectPort(const QString& device) {
    PortFacts facts;
    facts.devices = serialDevices();
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(device);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            facts.problem = PortFacts::Problem::Missing;
        return facts;
    }
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        facts.problem = PortFacts::Problem::NoPermission;
        if (const group* g = ::getgrgid(st.st_gid))
            facts.group = QString::fromLocal8Bit(g->gr_name);
        if (const passwd* pw = ::getpwuid(::getuid()))
            facts.user = QString::fromLocal8Bit(pw->pw_name);
    }
#else
    if (!facts.devices.contains(device, Qt::CaseInsensitive))
        facts.problem = PortFacts::Problem::Missing;
#endif
    return facts;
}

} // namespace velmorix
