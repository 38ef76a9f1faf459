#include "sim/wire_log.h"

namespace velmorix::sim {

void WireLog::addByte(Kind kind, quint8 byte, qint64 atUs) {
    if (m_hasCurrent && m_current.kind == kind) {
        m_current.bytes.append(static_cast<char>(byte));
        if (m_retain)
            m_entries.last().bytes.append(static_cast<char>(byte));
        return;
    }
    finishCurrent();
    m_current = Entry{atUs, kind, QByteArray(1, static_cast<char>(byte)), {}};
    m_hasCurrent = true;
    if (m_retain)
        m_entries << m_current;
}

void WireLog::addText(Kind kind, const QString& text, qint64 atUs) {
    finishCurrent();
    const Entry e{atUs, kind, {}, text};
    if (m_retain)
        m_entries << e;
    if (m_sink)
        m_sink(e);
}

void WireLog::finishCurrent() {
    if (m_hasCurrent && m_sink)
        m_sink(m_current);
    m_hasCurrent = false;
}

void WireLog::flush() {
    finishCurrent();
}

QByteArray WireLog::bytes(Kind kind) const {
    QByteArray out;
    for (const Entry& e : m_entries)
        if (e.kind == kind)
            out += e.bytes;
    return out;
}

QStringList WireLog::texts(Kind kind) const {
    QStringList out;
    for (const Entry& e : m_entries)
        if (e.kind == kind)
            out << e.line;
    return out;
}

void WireLog::clear() {
    m_entries.clear();
    m_hasCurrent = false;
}

QString WireLog::format(const Entry& entry) {
    const QString stamp =
        QStringLiteral("%1.%2").arg(entry.atUs / 1000, 9).arg(entry.atUs % 1000, 3, 10, QChar('0'));
    if (entry.kind == Kind::Line || entry.kind == Kind::Note)
        return QStringLiteral("%1 ms  ---  %2\n").arg(stamp, entry.line);
    const QString dir = entry.kind == Kind::ToController ? QStringLiteral(">>>") : QStringLiteral("<<<");
    QString out;
    for (qsizetype row = 0; row < entry.bytes.size(); row += 16) {
        const QByteArray chunk = entry.bytes.mid(row, 16);
        QString hex;
        QString text;
        for (char c : chunk) {
            const auto b = static_cast<quint8>(c);
            hex += QStringLiteral("%1 ").arg(b, 2, 16, QChar('0')).toUpper();
            text += (b >= 0x20 && b < 0x7F) ? QChar(b) : QChar('.');
        }
        out += QStringLiteral("%1  %2  %3 |%4|\n")
                   .arg(row == 0 ? stamp + QStringLiteral(" ms") : QString(stamp.size() + 3, ' '), dir)
                   .arg(hex, -48)
                   .arg(text);
    }
    return out;
}

QString WireLog::format() const {
    QString out;
    for (const Entry& e : m_entries)
        out += format(e);
    return out;
}

} // namespace velmorix::sim
