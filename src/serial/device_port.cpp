#include "serial/device_port.h"

#include "platform/network_address.h"
#include "serial/network_port.h"
#include "serial/qt_serial_port.h"

namespace velmorix {

std::unique_ptr<SerialPort> makeDevicePort(const QString& device) {
    if (isNetworkPortName(device))
        return std::make_unique<NetworkPort>(device);
    return std::make_unique<QtSerialPort>(device);
}

} // namespace velmorix
