#pragma once

#include "platform/serial_port.h"

#include <QString>
#include <QStringList>

namespace velmorix {

// What the console tells the operator about the device behind a port name.

// "COM1 opens /dev/ttyS0", or "COM1 opens the built-in controller (simulator)".
QString deviceHint(const QString& portName, const QString& device);

// The message of a port that would not open: "Comm: " and the system's reason, then the device the
// name opens and what would help: the devices present and the [ComPorts] line that maps one, or the
// group to join; with no serial device at all, the built-in controller.
QString openFailureText(const QString& reason, const QString& portName, const QString& device,
                        const PortFacts& facts, const QString& settingsPath);

// The message-line note for line settings a device refused: "; /dev/ttyUSB0 refused 28800 baud ;".
QString refusalNote(const QString& device, const QStringList& refused);

} // namespace velmorix
