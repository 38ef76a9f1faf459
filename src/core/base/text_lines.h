#pragma once

#include <QByteArray>
#include <QList>

namespace velmorix {

// The lines of a text file: CR LF, LF and CR each end one; text after the last break is one more
// line when it is not empty.
inline QList<QByteArray> splitTextLines(const QByteArray& text) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    return lines;
}

} // namespace velmorix
