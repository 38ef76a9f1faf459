#pragma once

#include "platform/serial_port.h"

#include <QStringList>
#include <termios.h>

namespace velmorix {

// The settings `wanted` asks for that the terminal's settings `got`, as read back from the driver,
// do not carry. A driver takes what it can and clears what it cannot, so this is how a refusal shows.
QStringList refusedLineSettings(const PortSettings& wanted, const termios& got);

// Whether an open descriptor is a pseudo-terminal, which carries no rate, parity or flow control.
bool isPseudoTerminal(int fd);

} // namespace velmorix
