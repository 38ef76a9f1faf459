// What a POSIX system says about a device that would not open.
#include "serial/port_facts.h"

#include <QFile>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmorix {

PortFacts inspectPort(const QString& device) {
    PortFacts facts;
    facts.devices = serialDevices();
    const QByteArray path = QFile::encodeName(device);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            facts.problem = PortFacts::Problem::Missing;
        return facts;
    }
    if (::access(path.constData(), R_OK | W_OK) == 0 || errno != EACCES)
        return facts;
    facts.problem = PortFacts::Problem::NoPermission;
    facts.mode = static_cast<int>(st.st_mode & 0777);
    if (const group* g = ::getgrgid(st.st_gid))
        facts.group = QString::fromLocal8Bit(g->gr_name);
    if (const passwd* o = ::getpwuid(st.st_uid))
        facts.owner = QString::fromLocal8Bit(o->pw_name);
    if (const passwd* pw = ::getpwuid(::getuid()))
        facts.user = QString::fromLocal8Bit(pw->pw_name);
    return facts;
}

} // namespace velmorix
