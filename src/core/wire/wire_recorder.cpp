#include "core/wire/wire_recorder.h"

namespace velmorix {

namespace {

bool isData(WireRecorder::Kind kind) {
    return kind == WireRecorder::Kind::ToController || kind == WireRecorder::Kind::ToConsole;
}

qsizetype weightOf(const WireRecorder::Entry& e) {
    return isData(e.kind) ? e.bytes.size() : e.line.size();
}

} // namespace

void WireRecorder::add(Kind kind, const QByteArray& bytes, qint64 atUs) {
    if (bytes.isEmpty() || m_capacity == 0)
        return;
    ++m_changes;
    // A large chunk keeps the caller's buffer as an entry of its own: nothing is copied.
    if (m_open && m_entries.back().kind == kind && bytes.size() < kJoinBelow &&
        m_entries.back().bytes.size() < kEntryBytes) {
        Entry& last = m_entries.back();
        const qsizetype room = kEntryBytes - last.bytes.size();
        if (bytes.size() <= room) {
            last.bytes.append(bytes);
            m_size += bytes.size();
            m_open = last.bytes.size() < kEntryBytes;
            trim();
            return;
        }
        last.bytes.append(bytes.left(room));
        m_size += room;
        push(Entry{atUs, kind, bytes.mid(room), {}}, bytes.size() - room);
    } else {
        push(Entry{atUs, kind, bytes, {}}, bytes.size());
    }
    m_open = m_entries.back().bytes.size() < kEntryBytes;
    trim();
}

void WireRecorder::addByte(Kind kind, quint8 byte, qint64 atUs) {
    if (m_capacity == 0)
        return;
    if (m_open && m_entries.back().kind == kind) {
        ++m_changes;
        Entry& last = m_entries.back();
        last.bytes.append(static_cast<char>(byte));
        ++m_size;
        m_open = last.bytes.size() < kEntryBytes;
        trim();
        return;
    }
    add(kind, QByteArray(1, static_cast<char>(byte)), atUs);
}

void WireRecorder::addText(Kind kind, const QString& text, qint64 atUs) {
    if (m_capacity == 0)
        return;
    ++m_changes;
    push(Entry{atUs, kind, {}, text}, text.size());
    m_open = false;
    trim();
}

void WireRecorder::push(Entry entry, qsizetype weight) {
    m_entries.push_back(std::move(entry));
    m_size += weight;
}

void WireRecorder::trim() {
    while (m_size > m_capacity && !m_entries.empty()) {
        Entry& oldest = m_entries.front();
        const qsizetype excess = m_size - m_capacity;
        const qsizetype weight = weightOf(oldest);
        if (weight > excess && isData(oldest.kind)) {
            oldest.bytes.remove(0, excess);
            m_size -= excess;
            return;
        }
        m_size -= weight;
        m_entries.pop_front();
        ++m_first;
        if (m_entries.empty())
            m_open = false;
    }
}

void WireRecorder::setCapacity(qsizetype bytes) {
    m_capacity = std::max<qsizetype>(bytes, 0);
    trim();
}

QList<WireRecorder::Entry> WireRecorder::entries() const {
    return QList<Entry>(m_entries.begin(), m_entries.end());
}

QByteArray WireRecorder::bytes(Kind kind) const {
    QByteArray out;
    for (const Entry& e : m_entries)
        if (e.kind == kind)
            out += e.bytes;
    return out;
}

QStringList WireRecorder::texts(Kind kind) const {
    QStringList out;
    for (const Entry& e : m_entries)
        if (e.kind == kind)
            out << e.line;
    return out;
}

void WireRecorder::clear() {
    m_first = end();
    m_entries.clear();
    m_size = 0;
    m_open = false;
    ++m_changes;
}

QString WireRecorder::format(const Entry& entry) {
    const QString stamp =
        QStringLiteral("%1.%2").arg(entry.atUs / 1000, 9).arg(entry.atUs % 1000, 3, 10, QChar('0'));
    if (!isData(entry.kind))
        return QStringLiteral("%1 ms  ---  %2\n").arg(stamp, entry.line);
    const QString dir = entry.kind == Kind::ToController ? QStringLiteral(">>>") : QStringLiteral("<<<");
    const QString indent(stamp.size() + 3, QChar(' '));
    QString out;
    out.reserve((entry.bytes.size() / 16 + 1) * 90);
    for (qsizetype row = 0; row < entry.bytes.size(); row += 16) {
        const QByteArray chunk = entry.bytes.mid(row, 16);
        out += row == 0 ? stamp + QStringLiteral(" ms") : indent;
        out += QStringLiteral("  ") + dir + QStringLiteral("  ");
        out += hexBytes(chunk).leftJustified(48) + QStringLiteral(" |") + printableBytes(chunk) +
               QStringLiteral("|\n");
    }
    return out;
}

QString WireRecorder::hexBytes(const QByteArray& bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString out;
    out.reserve(bytes.size() * 3);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<quint8>(bytes[i]);
        if (i)
            out += QChar(' ');
        out += QChar(kHex[b >> 4]);
        out += QChar(kHex[b & 15]);
    }
    return out;
}

QString WireRecorder::printableBytes(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<quint8>(c);
        out += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar('.');
    }
    return out;
}

QString WireRecorder::format() const {
    QString out;
    for (const Entry& e : m_entries)
        out += format(e);
    return out;
}

} // namespace velmorix
