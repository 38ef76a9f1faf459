#include "core/link/digits.h"

namespace velmorix {

QByteArray FormatHex8(qint32 value) {
    const auto bits = static_cast<quint32>(value);
    QByteArray out(8, '0');
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>(0x30 + ((bits >> (28 - 4 * i)) & 0xF));
    return out;
}

QByteArray FormatAddressList(qint32 first, qint32 count) {
    QByteArray out;
    for (qint32 i = 0; i < count; ++i) {
        out += ctl::CR;
        out += 'D';
        out += QByteArray::number(static_cast<qint64>(first) + i);
    }
    return out;
}

quint32 ParseHexDigits(const QByteArray& text, int digits) {
    quint32 value = 0;
    for (int i = 0; i < digits && i < text.size(); ++i) {
        int c = static_cast<unsigned char>(text[i]) & 0x7F;
        if (c > '9')
            c += 7; // ":" -> "A" ... "?" -> "F"
        const int digit = (c >= 'A' && c <= 'F') ? c - 'A' + 10 : c - 0x30;
        value = (value << 4) + static_cast<quint32>(digit);
    }
    return value;
}

} // namespace velmorix
