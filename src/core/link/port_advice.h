#pragma once

#include "platform/serial_port.h"

#include <QString>
#include <QStringList>

namespace velmorix {

// What the console tells the operator about the device behind a port name.

// "COM1 opens /dev/ttyS0", or "COM1 opens the built-in controller (simulator)"; a network port also
// says what kind of device server it is.
QString deviceHint(const QString& portName, const QString& device);

// The message of a port that would not open: "Comm: " and the system's reason, then the device the
// name opens and what would help: the devices present and the [ComPorts] line that maps one, or the
// group to join; with no serial device at all, the built-in controller.
QString openFailureText(const QString& reason, const QString& portName, const QString& device,
                        const PortFacts& facts, const QString& settingsPath);

// The message-line note for line settings a device refused: "; /dev/ttyUSB0 refused 28800 baud ;", or
// for a device server that did not confirm them: "; 10.0.4.17:4001 did not confirm 38400 baud ;".
QString refusalNote(const QString& device, const QStringList& refused);

} // namespace velmorix
