// What Windows says about a port that would not open.
#include "serial/port_facts.h"

#include <windows.h>

namespace velmorix {

PortFacts inspectPort(const QString& device) {
    PortFacts facts;
    facts.devices = serialDevices();
    if (!facts.devices.contains(device, Qt::CaseInsensitive)) {
        facts.problem = PortFacts::Problem::Missing;
        return facts;
    }
    // A port that is there but would not open is most often held by another program.
    const QString path = QStringLiteral("\\\\.\\") + device;
    const HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()),
                                   GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED)
        facts.problem = PortFacts::Problem::NoPermission;
    else if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return facts;
}

} // namespace velmorix
