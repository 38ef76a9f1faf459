#pragma once

#include "platform/serial_port.h"

#include <QStringList>

namespace velmorix::serial_os {

// What a serial device needs beyond what QSerialPort offers, one file an operating system
// (serial_os_posix.cpp, serial_os_windows.cpp). Each takes the open device's handle.
#ifdef Q_OS_WIN
using Handle = void*; // HANDLE
#else
using Handle = int; // a file descriptor
#endif

// The modem lines CTS and DSR; false when the device has none (a pseudo-terminal, a bridge).
bool modemLines(Handle handle, bool* cts, bool* dsr);
// Whether reading the lines failed because the device is gone; the system's words for it.
bool deviceGone(QString* reason);
// DTR on; false when the device has no DTR line.
bool raiseDtr(Handle handle);
// Bytes the driver holds that were received and not read, and written and not yet sent.
qint64 inputQueued(Handle handle);
qint64 outputQueued(Handle handle);
// Throws away what the driver received and nobody read; the count thrown away.
qint64 flushInput(Handle handle);
// XON/XOFF off in both directions (and restarting output on any byte), so those bytes arrive as data.
// False when the driver keeps it on.
bool clearSoftwareFlow(Handle handle);
// A pseudo-terminal carries no rate, parity or flow control, and refuses none of them.
bool carriesNoLineSettings(Handle handle);
// The line settings `wanted` asks for that the driver did not keep, read back from it.
QStringList refusedSettings(const PortSettings& wanted, Handle handle);
// The other end hung up (a pseudo-terminal whose peer closed).
bool hungUp(Handle handle);
// Whether the driver may keep what arrives until the console's tick reads it straight from the
// device (readHeld); elsewhere Qt's own buffer takes it as it comes.
bool readsHeld();
// Reads up to `count` of the bytes the driver holds, without waiting; the count read.
qint64 readHeld(Handle handle, char* data, qint64 count);

} // namespace velmorix::serial_os
