#include "sim/codec.h"

#include <optional>

namespace velmorix::sim {

QByteArray digits8(qint32 value) {
    const auto u = static_cast<quint32>(value);
    QByteArray out(8, '0');
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<char>(0x30 + ((u >> (28 - 4 * i)) & 0xF));
    return out;
}

std::optional<qint32> parseDigits8(const QByteArray& text) {
    if (text.size() != 8)
        return std::nullopt;
    quint32 u = 0;
    for (char c : text) {
        int d = 0;
        if (c >= 0x30 && c <= 0x3F)
            d = c - 0x30;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        u = (u << 4) | static_cast<quint32>(d);
    }
    return static_cast<qint32>(u);
}

std::optional<qint64> parseDecimal(const QByteArray& text) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok || text.isEmpty() || text.startsWith('+') || text.contains(' '))
        return std::nullopt;
    return v;
}

quint8 garble(quint8 byte) {
    // 29 is odd, so this is a permutation of the low seven bits; 28b = -71 (mod 128) has no solution.
    return static_cast<quint8>((byte & 0x80) | ((byte * 29 + 71) & 0x7F));
}

} // namespace velmorix::sim
