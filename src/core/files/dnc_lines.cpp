#include "core/files/dnc_lines.h"

namespace velmorix {

DncLines::DncLines(const QByteArray& text) {
    startSplit(text);
    feed(text.size());
    finishSplit();
}

qsizetype DncLines::endOf(qsizetype start) const {
    const char* d = m_text.constData();
    const qsizetype size = m_text.size();
    qsizetype p = start;
    while (p < size && d[p] != '\r' && d[p] != '\n')
        ++p;
    return p;
}

qsizetype DncLines::nextStart(qsizetype end) const {
    // A CR LF is one break; the walk of the split takes the LF after a CR into it.
    if (end + 1 < m_text.size() && m_text[end] == '\r' && m_text[end + 1] == '\n')
        return end + 2;
    return end + 1;
}

qsizetype DncLines::startOf(qsizetype i) const {
    if (i == m_lastIndex)
        return m_lastStart;
    if (i == m_lastIndex + 1 && m_lastIndex >= 0)
        return nextStart(endOf(m_lastStart));
    qsizetype start = m_marks[size_t(i / kStride)];
    for (qsizetype k = i % kStride; k > 0; --k)
        start = nextStart(endOf(start));
    return start;
}

QByteArray DncLines::line(qsizetype i) const {
    if (i < 0 || i >= count())
        return {};
    const qsizetype start = startOf(i);
    m_lastIndex = i;
    m_lastStart = start;
    return m_text.mid(start, endOf(start) - start);
}

void DncLines::clear() {
    *this = DncLines();
}

void DncLines::startSplit(const QByteArray& text) {
    clear();
    m_text = text;
}

void DncLines::addLine() {
    if (m_count % kStride == 0)
        m_marks.push_back(m_lineStart);
    ++m_count;
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
        addLine();
        m_lineStart = p + 1;
        m_afterCr = c == '\r';
    }
    m_pos = qMax(m_pos, end);
}

void DncLines::finishSplit() {
    feed(m_text.size());
    if (m_lineStart < m_text.size()) {
        addLine();
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
