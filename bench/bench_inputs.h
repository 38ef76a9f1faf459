#pragma once

#include "platform/serial_port.h"

#include <QByteArray>

namespace velmorix::bench {

// Line settings by their four numbers.
inline PortSettings line(qint32 baud, Parity parity, int dataBits, int stopBits) {
    PortSettings s;
    s.baudRate = baud;
    s.parity = parity;
    s.dataBits = dataBits;
    s.stopBits = stopBits;
    return s;
}

// `size` bytes of a fixed pseudo-random sequence: a binary file that packs like a real one.
inline QByteArray binaryFile(qsizetype size) {
    QByteArray f(size, '\0');
    quint32 x = 12345;
    for (qsizetype i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        f[i] = char(x >> 24);
    }
    return f;
}

} // namespace velmorix::bench
