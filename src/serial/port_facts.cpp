#include "serial/port_facts.h"

#include <QFile>
#include <QSerialPortInfo>

namespace velmorix {

QStringList serialDevices() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    return devices;
}

} // namespace velmorix
