#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

namespace velmorix {

// The lines of a DNC program, held compactly: the file's bytes once plus where each line starts and
// how long it is. Lines end at CR, LF or CR LF and hold no break bytes; text after the last break is
// one more line when it is not empty. TABs stay; lines of any length are kept whole.
class DncLines {
public:
    DncLines() = default;
    explicit DncLines(const QByteArray& text); // splits the whole text at once

    qsizetype count() const { return qsizetype(m_begin.size()); }
    bool isEmpty() const { return m_begin.empty(); }
    QByteArray line(qsizetype i) const;
    void clear();

    // Splitting in slices: feed() walks text up to byte `end`, finishSplit() closes the last line.
    void startSplit(const QByteArray& text);
    void feed(qsizetype end);
    void finishSplit();

private:
    QByteArray m_text;
    std::vector<qsizetype> m_begin;
    std::vector<qint32> m_length;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    bool m_afterCr = false;
};

// The text the DNC sender writes for one line: the line cut at its first ";", then CR; DC2 in front
// of the first line of a run, DC4 after its last.
QByteArray dncWireText(const QByteArray& line, bool first, bool last);

} // namespace velmorix
