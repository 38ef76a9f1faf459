#include "core/files/hex_image.h"

#include "core/files/file_types.h"

#include <array>
#include <cstring>

namespace velmorix {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
constexpr int kLineChars = 40; // image characters of one 16-byte line

// Two hex digits of every byte value, high nibble first.
constexpr std::array<std::array<char, 2>, 256> makePairs() {
    std::array<std::array<char, 2>, 256> pairs{};
    for (int v = 0; v < 256; ++v)
        pairs[size_t(v)] = {kDigits[v >> 4], kDigits[v & 15]};
    return pairs;
}
constexpr auto kPairs = makePairs();

QByteArray offsetText(qint64 offset) {
    return QByteArray::number(offset).rightJustified(6, '0');
}

QByteArray hex4(quint32 v) {
    const char text[4] = {kDigits[(v >> 12) & 15], kDigits[(v >> 8) & 15], kDigits[(v >> 4) & 15],
                          kDigits[v & 15]};
    return QByteArray(text, 4);
}

QByteArray hexPair(quint32 v) {
    return QByteArray(kPairs[v & 0xFF].data(), 2);
}

// Image characters of one 16-byte line.
void packLine(char* out, const unsigned char* b) {
    for (int g = 0; g < 8; ++g) {
        std::memcpy(out, kPairs[b[2 * g]].data(), 2);
        std::memcpy(out + 2, kPairs[b[2 * g + 1]].data(), 2);
        out[4] = '\r';
        out += 5;
    }
}

QByteArray recordImage(const char* tag4hex2, quint32 value) {
    QByteArray r = "AAAA\rAAAA\rAAAA\rAAAA\r";
    r += tag4hex2;
    r += hex4(value >> 16) + '\r' + hex4(value & 0xFFFF) + '\r';
    return r;
}

QByteArray recordLine(qint64 offset, const char* groups, const char* label, quint32 value) {
    return ";[" + offsetText(offset) + "]" + groups + hexPair(value >> 24) + "-" + hexPair(value >> 16) +
           " " + hexPair(value >> 8) + "-" + hexPair(value) + "   " + label + hex4(value >> 16) + "-" +
           hex4(value & 0xFFFF);
}

} // namespace

QByteArray hexListLine(qint64 offset, const char* bytes, int valid) {
    QByteArray line = ";[" + offsetText(offset) + "]";
    const qsizetype head = line.size();
    line.resize(head + 68, ' ');
    char* groups = line.data() + head;
    char* chars = groups + 52;
    for (int i = 0; i < 16; ++i) {
        const unsigned char b = i < valid ? static_cast<unsigned char>(bytes[i]) : 0;
        char* at = groups + 6 * (i / 2) + (i % 2 ? 4 : 1);
        std::memcpy(at, kPairs[b].data(), 2);
        if (i % 2 == 0)
            at[2] = '-';
        if (i < valid)
            chars[i] = b == 0 ? '.' : char(b);
    }
    return line;
}

HexPacker::HexPacker(QByteArray file) : m_file(std::move(file)) {
    if (m_file.isEmpty()) {
        m_done = true;
        return;
    }
    const qint64 lines = (m_file.size() + 15) / 16;
    m_image.resize(kLineChars * (lines + 2));
}

qint64 HexPacker::step(qint64 maxBytes) {
    if (m_done)
        return m_pos;
    const qint64 n = m_file.size();
    const qint64 want = qMax<qint64>(maxBytes, 1);
    const qint64 end = qMin(n, ((m_pos + want + 15) / 16) * 16);
    const auto* src = reinterpret_cast<const unsigned char*>(m_file.constData());
    char* out = m_image.data();
    quint32 sum = m_checksum;
    for (qint64 o = m_pos; o < end; o += 16) {
        const unsigned char* b = src + o;
        unsigned char padded[16];
        const qint64 valid = qMin<qint64>(16, n - o);
        if (valid < 16) {
            std::memset(padded, 0, sizeof padded);
            std::memcpy(padded, b, size_t(valid));
            b = padded;
        }
        for (int i = 0; i < 16; ++i)
            sum += b[i];
        packLine(out + (o / 16) * kLineChars, b);
        if (valid == 16 && o + 15 <= kListedBytes)
            m_list.append(hexListLine(o, reinterpret_cast<const char*>(b), 16));
    }
    m_checksum = sum;
    m_pos = end;
    if (m_pos == n)
        finish();
    return m_pos;
}

void HexPacker::finish() {
    const qint64 n = m_file.size();
    const auto size = quint32(n);
    if (n > kListedBytes)
        m_list.append("......");
    const qint64 partial = n % 16;
    const qint64 lastOffset = n - partial;
    if (partial != 0)
        m_list.append(hexListLine(lastOffset, m_file.constData() + lastOffset, int(partial)));
    const qint64 lines = (n + 15) / 16;
    char* records = m_image.data() + lines * kLineChars;
    const QByteArray len = recordImage("4C45\r4E3A\r", size);
    const QByteArray cks = recordImage("434B\r533A\r", m_checksum);
    std::memcpy(records, len.constData(), kLineChars);
    std::memcpy(records + kLineChars, cks.constData(), kLineChars);
    m_list.append(recordLine(16 * lines, " AA-AA AA-AA AA-AA AA-AA 4C-45 4E-3A ", "LEN: ", size));
    m_list.append(recordLine(16 * lines + 16, " AA-AA AA-AA AA-AA AA-AA 43-4B 53-3A ", "CKS: ", m_checksum));
    m_done = true;
}

HexPack packHexFile(const QByteArray& file) {
    HexPacker packer(file);
    while (!packer.done())
        packer.step(file.size());
    return {packer.takeImage(), packer.takeListLines(), packer.checksum()};
}

} // namespace velmorix
