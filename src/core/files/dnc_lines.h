#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace velmorix {

// The lines of a DNC program, held compactly: the file's bytes once, plus where every 16th line starts.
// A line is found from the nearest of those by walking the line breaks, and the line after the one
// asked for last without walking; a program of ten million lines takes about 0.5 bytes a line beside
// its text. Lines end at CR, LF or CR LF and hold no break bytes; text after the last break is one
// more line when it is not empty. TABs stay; lines of any length are kept whole.
class DncLines {
public:
    DncLines() = default;
    explicit DncLines(const QByteArray& text); // splits the whole text at once

    qsizetype count() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    QByteArray line(qsizetype i) const;
    void clear();

    // Splitting in slices: feed() walks text up to byte `end`, finishSplit() closes the last line.
    void startSplit(const QByteArray& text);
    void feed(qsizetype end);
    void finishSplit();

private:
    static constexpr qsizetype kStride = 16;
    void addLine();
    // Where line i starts, and where the line that starts at `start` ends.
    qsizetype startOf(qsizetype i) const;
    qsizetype endOf(qsizetype start) const;
    // Where the line after the one that ends at `end` starts.
    qsizetype nextStart(qsizetype end) const;

    QByteArray m_text;
    std::vector<qsizetype> m_marks; // the start of lines 0, kStride, 2 kStride, …
    qsizetype m_count = 0;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    bool m_afterCr = false;
    // The line asked for last and its start: a run asks for one line after the other. (The program
    // is used on the event loop's thread only.)
    mutable qsizetype m_lastIndex = -1;
    mutable qsizetype m_lastStart = 0;
};

// The text the DNC sender writes for one line: the line cut at its first ";", then CR; DC2 in front
// of the first line of a run, DC4 after its last.
QByteArray dncWireText(const QByteArray& line, bool first, bool last);

} // namespace velmorix
