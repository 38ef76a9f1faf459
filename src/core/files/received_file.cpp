#include "core/files/received_file.h"

#include "core/link/digits.h"

#include <algorithm>
#include <cstring>

namespace velmorix {

QByteArray receivedListLine(int number, const QByteArray& text) {
    QByteArray line;
    line.reserve(text.size() + kReceivedPrefix);
    line += ";[";
    // A power of ten added and its leading digit dropped: always six digits.
    line += QByteArray::number(qint64(number) % 1000000 + 1000000).mid(1);
    line += "]  ";
    line += text;
    return line;
}

ReceivedLister::ReceivedLister(QByteArray text, qsizetype begin, qsizetype end)
    : m_text(std::move(text)), m_begin(std::clamp<qsizetype>(begin, 0, m_text.size())),
      m_end(std::clamp<qsizetype>(end, m_begin, m_text.size())), m_pos(m_begin), m_lineStart(m_begin) {}

void ReceivedLister::add(qsizetype begin, qsizetype end) {
    if (end <= begin)
        return; // an empty stretch gives no line
    m_lines.append(receivedListLine(static_cast<int>(m_lines.size()) + 1, m_text.mid(begin, end - begin)));
    m_longest = std::max(m_longest, static_cast<int>(m_lines.last().size()));
}

bool ReceivedLister::step(qsizetype maxBytes) {
    const char* d = m_text.constData();
    if (m_pos == m_begin && m_pos < m_end) {
        // Room for every line at once: a list of a million lines never moves while it grows.
        m_lines.reserve(std::count(d + m_begin, d + m_end, ctl::CR) + 1);
    }
    const qsizetype end = std::min(m_end, m_pos + std::max<qsizetype>(maxBytes, 1));
    m_zeros += std::count(d + m_pos, d + end, '\0');
    while (m_pos < end) {
        const void* cr = std::memchr(d + m_pos, ctl::CR, static_cast<size_t>(end - m_pos));
        if (!cr) {
            m_pos = end;
            break;
        }
        const qsizetype at = static_cast<const char*>(cr) - d;
        add(m_lineStart, at);
        m_pos = at + 1;
        m_lineStart = m_pos;
    }
    if (m_pos < m_end)
        return false;
    add(m_lineStart, m_end); // the text after the last CR
    m_lineStart = m_end;
    return true;
}

QByteArray pairBytes(const QByteArray& line) {
    QByteArray bytes(4, '\0');
    for (int p = 0; p < 4; ++p) {
        const int hi = 2 * p < line.size() ? static_cast<unsigned char>(line[2 * p]) : 0x30;
        const int lo = 2 * p + 1 < line.size() ? static_cast<unsigned char>(line[2 * p + 1]) : 0x30;
        bytes[p] = static_cast<char>(16 * (hi - 0x30) + (lo - 0x30));
    }
    return bytes;
}

QByteArray hexSaveBytes(const QList<QByteArray>& lines) {
    QByteArray out;
    if (lines.size() < 3)
        return out;
    out.reserve((lines.size() - 3) * 4);
    for (qsizetype i = 2; i + 1 < lines.size(); ++i)
        out += pairBytes(lines[i]);
    return out;
}

namespace {

quint32 be32(const QByteArray& b, qsizetype at) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<quint8>(b[at + i]);
    return v;
}

bool recordAt(const QByteArray& bytes, qsizetype at, const char* tag) {
    if (at + 16 > bytes.size())
        return false;
    for (int i = 0; i < 8; ++i)
        if (static_cast<quint8>(bytes[at + i]) != 0xAA)
            return false;
    return bytes.mid(at + 8, 4) == tag;
}

} // namespace

std::optional<CheckRecords> findCheckRecords(const QByteArray& bytes) {
    std::optional<CheckRecords> first;
    std::optional<CheckRecords> placed;
    for (qsizetype at = 0; at + 32 <= bytes.size(); at += 16) {
        if (!recordAt(bytes, at, "LEN:") || !recordAt(bytes, at + 16, "CKS:"))
            continue;
        CheckRecords r;
        r.length = be32(bytes, at + 12);
        r.checksum = be32(bytes, at + 28);
        r.at = at;
        if (!first)
            first = r;
        // N bytes padded to 16 end where the length record begins.
        if (r.length > 0 && (qsizetype(r.length) + 15) / 16 * 16 == at)
            placed = r;
    }
    std::optional<CheckRecords> found = placed ? placed : first;
    if (!found)
        return std::nullopt;
    CheckRecords& r = *found;
    for (qsizetype i = 0; i < r.dataSize(); ++i)
        r.sum += static_cast<quint8>(bytes[i]);
    if (qsizetype(r.length) > r.at)
        r.sum = ~r.checksum; // a length past its own record cannot be right
    return found;
}

QByteArray savedFileBytes(const QByteArray& decoded) {
    if (const auto records = findCheckRecords(decoded))
        return decoded.left(records->dataSize());
    return decoded;
}

QString proposedSaveName(const QString& label) {
    QString name;
    const qsizetype open = label.indexOf(QLatin1Char('('));
    if (open >= 0) {
        const qsizetype close = label.indexOf(QLatin1Char(')'), open + 1);
        name = label.mid(open + 1, close < 0 ? -1 : close - open - 1);
    } else {
        name = label;
        if (name.endsWith(QLatin1Char('%')))
            name.chop(1);
    }
    // Only the name: whatever comes after the last folder separator of either kind.
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(cut + 1);
    QString clean;
    for (const QChar c : name)
        if (c.unicode() >= 0x20 && !QStringLiteral("<>:\"|?*").contains(c))
            clean += c;
    clean = clean.trimmed();
    if (clean == QLatin1String(".") || clean == QLatin1String(".."))
        clean.clear();
    return clean;
}

} // namespace velmorix
