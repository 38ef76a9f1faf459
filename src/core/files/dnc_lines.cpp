#include "core/files/dnc_lines.h"

namespace velmorix {

DncLines::DncLines(const QByteArray& text) {
    startSplit(text);
    feed(text.size());
    finishSplit();
}

QByteArray DncLines::line(qsizetype i) const {
    if (i < 0 || i >= count())
        return {};
    return m_text.mid(m_begin[size_t(i)], m_length[size_t(i)]);
}

void DncLines::clear() {
    *this = DncLines();
}

void DncLines::startSplit(const QByteArray& text) {
    clear();
    m_text = text;
}

void DncLines::feed(qsizetype end) {
    end = qMin(end, m_text.size());
    const char* d = m_text.constData();
    for (qsizetype p = m_pos; p < end; ++p) {
        const char c = d[p];
        if (c != '\r' && c != '\n') {
            m_afterCr = false;
            continue;
        }
        if (c == '\n' && m_afterCr) {
            m_lineStart = p + 1; // the LF of a CR LF
            m_afterCr = false;
            continue;
        }
        m_begin.push_back(m_lineStart);
        m_length.push_back(qint32(p - m_lineStart));
        m_lineStart = p + 1;
        m_afterCr = c == '\r';
    }
    m_pos = qMax(m_pos, end);
}

void DncLines::finishSplit() {
    feed(m_text.size());
    if (m_lineStart < m_text.size()) {
        m_begin.push_back(m_lineStart);
        m_length.push_back(qint32(m_text.size() - m_lineStart));
        m_lineStart = m_text.size();
    }
}

QByteArray dncWireText(const QByteArray& line, bool first, bool last) {
    QByteArray text;
    const qsizetype semicolon = line.indexOf(';');
    text.reserve(line.size() + 3);
    if (first)
        text += '\x12';
    text += semicolon < 0 ? line : line.left(semicolon);
    text += '\r';
    if (last)
        text += '\x14';
    return text;
}

} // namespace velmorix
