// Serial devices on Windows: the communications functions of the Win32 API.
#include "serial/serial_os.h"

#include "serial/line_check.h"

#include <windows.h>

namespace velmorix::serial_os {

namespace {

bool commStatus(Handle handle, COMSTAT* status) {
    DWORD errors = 0;
    return ::ClearCommError(handle, &errors, status) != 0;
}

BYTE parityByte(Parity p) {
    switch (p) {
    case Parity::None:
        return NOPARITY;
    case Parity::Odd:
        return ODDPARITY;
    case Parity::Even:
        return EVENPARITY;
    case Parity::Mark:
        return MARKPARITY;
    case Parity::Space:
        return SPACEPARITY;
    }
    return EVENPARITY;
}

} // namespace

bool modemLines(Handle handle, bool* cts, bool* dsr) {
    DWORD status = 0;
    if (!::GetCommModemStatus(handle, &status))
        return false;
    *cts = (status & MS_CTS_ON) != 0;
    *dsr = (status & MS_DSR_ON) != 0;
    return true;
}

bool deviceGone(QString* reason) {
    const DWORD err = ::GetLastError();
    if (err != ERROR_DEVICE_NOT_CONNECTED && err != ERROR_BAD_COMMAND && err != ERROR_GEN_FAILURE &&
        err != ERROR_OPERATION_ABORTED)
        return false;
    wchar_t text[256] = {};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, err, 0, text,
                     DWORD(std::size(text)), nullptr);
    *reason = QString::fromWCharArray(text).trimmed();
    return true;
}

bool raiseDtr(Handle handle) {
    return ::EscapeCommFunction(handle, SETDTR) != 0;
}

qint64 inputQueued(Handle handle) {
    COMSTAT status{};
    return commStatus(handle, &status) ? qint64(status.cbInQue) : 0;
}

qint64 outputQueued(Handle handle) {
    COMSTAT status{};
    return commStatus(handle, &status) ? qint64(status.cbOutQue) : 0;
}

qint64 flushInput(Handle handle) {
    const qint64 queued = inputQueued(handle);
    if (queued <= 0 || !::PurgeComm(handle, PURGE_RXCLEAR))
        return 0;
    return queued;
}

bool clearSoftwareFlow(Handle handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return true;
    if (!dcb.fOutX && !dcb.fInX)
        return true;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    return ::SetCommState(handle, &dcb) != 0;
}

bool carriesNoLineSettings(Handle) {
    return false;
}

QStringList refusedSettings(const PortSettings& wanted, Handle handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb))
        return {};
    QStringList refused;
    if (qint64(dcb.BaudRate) != wanted.baudRate)
        refused << rateName(wanted);
    if (dcb.ByteSize != wanted.dataBits)
        refused << dataBitsName(wanted);
    if (dcb.Parity != parityByte(wanted.parity))
        refused << parityName(wanted);
    if ((dcb.StopBits == TWOSTOPBITS) != (wanted.stopBits == 2))
        refused << stopBitsName(wanted);
    const bool hardware = dcb.fOutxCtsFlow && dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
    if (hardware != wanted.hardwareFlow)
        refused << flowName(wanted);
    return refused;
}

bool readsHeld() {
    // Qt reads an overlapped handle; a read of our own beside it would race it.
    return false;
}

qint64 readHeld(Handle, char*, qint64) {
    return 0;
}

bool hungUp(Handle) {
    // A serial device has no peer that hangs up; a vanished one fails its reads instead.
    return false;
}

} // namespace velmorix::serial_os
