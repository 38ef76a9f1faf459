#include "core/link/digits.h"

#include <algorithm>

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

namespace {
int letterMapped(char byte) {
    int c = static_cast<unsigned char>(byte) & 0x7F;
    if (c > '9')
        c += 7; // ":" -> "A" ... "?" -> "F"
    return c;
}
} // namespace

quint32 parseHexBytes(const char* bytes, int digits) {
    quint32 value = 0;
    for (int i = 0; i < digits; ++i) {
        const int c = letterMapped(bytes[i]);
        const int digit = (c >= 'A' && c <= 'F') ? c - 'A' + 10 : c - 0x30;
        value = (value << 4) + static_cast<quint32>(digit);
    }
    return value;
}

quint32 parseHexDigits(const QByteArray& text, int digits) {
    return parseHexBytes(text.constData(), static_cast<int>(std::min<qsizetype>(digits, text.size())));
}

QByteArray digitText(const char* digits) {
    QByteArray text(8, '0');
    for (int i = 0; i < 8; ++i)
        text[i] = static_cast<char>(letterMapped(digits[i]));
    return text;
}

} // namespace velmorix
