#include "core/files/text_loader.h"

#include <algorithm>
#include <cstring>

namespace velmorix {

QByteArray textListLine(int number, const QByteArray& text) {
    QByteArray line;
    line.reserve(text.size() + 12);
    line += ";[";
    line += QByteArray::number(number).rightJustified(8, '0');
    line += "] ";
    line += text;
    return line;
}

TextLoader::TextLoader(QByteArray file, bool dnc) : m_file(std::move(file)), m_dnc(dnc) {
    if (m_dnc) {
        m_text = m_file;
        m_dncLines.startSplit(m_file);
    } else {
        m_text.reserve(m_file.size());
        m_image.reserve(m_file.size());
    }
    if (m_file.isEmpty())
        finish();
}

qint64 TextLoader::step(qint64 maxBytes) {
    if (m_done)
        return m_pos;
    const qint64 end = qMin<qint64>(m_file.size(), m_pos + qMax<qint64>(maxBytes, 1));
    if (m_dnc) {
        m_dncLines.feed(qsizetype(end));
        walk(qsizetype(end));
    } else {
        // Drop the TABs of this slice, then walk what it added.
        const char* from = m_file.constData() + m_pos;
        const char* to = m_file.constData() + end;
        while (from < to) {
            const char* tab = static_cast<const char*>(std::memchr(from, '\t', size_t(to - from)));
            const char* stop = tab ? tab : to;
            m_text.append(from, stop - from);
            from = tab ? tab + 1 : to;
        }
        walk(m_text.size());
    }
    m_pos = end;
    if (m_pos == m_file.size())
        finish();
    return m_pos;
}

void TextLoader::walk(qsizetype end) {
    const char* d = m_text.constData();
    qsizetype p = m_walked;
    while (p < end && !m_walkStopped) {
        const char c = d[p];
        const bool ends = c == '\r' || (c == '\n' && p > 0 && m_prev != '\r' && m_prev != '\n');
        m_prev = c;
        if (ends) {
            endLine(p, true);
            m_lineStart = p;
        }
        ++p;
    }
    m_walked = end;
}

void TextLoader::endLine(qsizetype end, bool terminated) {
    if (m_dnc && m_lineCount == kDncListedLines) {
        m_cut = true; // a line beyond the first 2000: the listing stops here
        m_walkStopped = true;
        return;
    }
    ++m_lineCount;
    const char* begin = m_text.constData() + m_lineStart;
    const qsizetype length = end - m_lineStart;
    const bool listed = m_dnc || !terminated || end <= kListedBytes;
    if (listed) {
        m_list.append(textListLine(m_lineCount, QByteArray(begin, length)));
        if (terminated)
            m_longest = std::max(m_longest, int(length));
    }
    if (!m_dnc) {
        const void* semicolon = std::memchr(begin, ';', size_t(length));
        m_image.append(begin, semicolon ? static_cast<const char*>(semicolon) - begin : length);
    }
}

void TextLoader::finish() {
    if (!m_walkStopped && !m_text.isEmpty()) {
        const char last = m_text.back();
        if (last != '\r' && last != '\n')
            endLine(m_text.size(), false);
    }
    if (m_dnc)
        m_dncLines.finishSplit();
    if (m_text.size() > kListedBytes)
        m_list.append("......");
    m_done = true;
}

void TextLoader::cancel() {
    if (m_done)
        return;
    m_list.clear();
    m_cancelled = true;
    m_done = true;
}

QByteArray TextLoader::sizeLabel() const {
    QByteArray label = QByteArray::number(m_lineCount);
    if (m_cut)
        label += "...";
    return label;
}

TextLoad loadTextFile(const QByteArray& file, bool dnc) {
    TextLoader loader(file, dnc);
    while (!loader.done())
        loader.step(file.size());
    TextLoad load;
    load.lineCount = loader.lineCount();
    load.longestLine = loader.longestLine();
    load.sizeLabel = loader.sizeLabel();
    load.image = loader.takeImage();
    load.listLines = loader.takeListLines();
    load.dncLines = loader.takeDncLines();
    return load;
}

} // namespace velmorix
