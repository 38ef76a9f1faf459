#include "platform/serial_port.h"

namespace velmorix {

int bitsPerCharacter(const PortSettings& s) {
    return 1 + s.dataBits + (s.parity == Parity::None ? 0 : 1) + s.stopBits;
}

} // namespace velmorix
