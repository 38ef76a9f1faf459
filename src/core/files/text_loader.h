#pragma once

#include "core/files/dnc_lines.h"
#include "core/files/file_types.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace velmorix {

// Loads a file of a text type (0, 1, 2, 9) or of "D:DNC" (13): its list lines, its transfer image
// and, for DNC, its line store.
//
// The walk: a byte ends a line if it is CR, or LF that is not the first byte and does not follow CR or
// LF. The first line runs from the start to its end (excluded); every later line starts with the byte
// that ended the one before, so its text begins with that line's break bytes. Text after the last end
// is one more line only when the last byte is neither CR nor LF.
//
// Text types: TABs are dropped as if not in the file (N counts without them); a line is listed as
// ";[nnnnnnnn] text" when its end lies at byte position (from 0) 65536 or less, the unterminated last
// line always; every line adds its text up to the first ";" to the image; "......" follows the list
// when N is above 65536.
//
// DNC: TABs stay; the list shows at most 2000 lines (then sizeLabel() reads "2000..."), and all lines
// go to dncLines(), split as a text file. "......" follows the list when the file is above 65536 bytes.
class TextLoader {
public:
    static constexpr int kDncListedLines = 2000;

    TextLoader(QByteArray file, bool dnc);

    // Walks up to maxBytes more file bytes; the last step closes the walk. Returns bytes walked so far.
    qint64 step(qint64 maxBytes);
    // Stops the walk at once and empties the list (the "Break" button). The caller decides when it
    // applies; lineCount() and image() keep what was reached.
    void cancel();

    bool done() const { return m_done; }
    bool cancelled() const { return m_cancelled; }
    qint64 processed() const { return m_pos; }
    qint64 total() const { return m_file.size(); }

    // Lines listed so far; complete once done().
    const QList<QByteArray>& listLines() const { return m_list; }
    QList<QByteArray> takeListLines() { return std::move(m_list); }
    // Text types only: the text to send.
    const QByteArray& image() const { return m_image; }
    QByteArray takeImage() { return std::move(m_image); }
    // Lines counted by the walk (for DNC at most 2000).
    int lineCount() const { return m_lineCount; }
    // Greatest length of a listed line's text, the unterminated last line not counted.
    int longestLine() const { return m_longest; }
    // DNC: the list was cut after 2000 lines.
    bool cut() const { return m_cut; }
    // What the size label shows: the line count, with "..." after it when the list was cut.
    QByteArray sizeLabel() const;
    // DNC: lines listed and every line of the file.
    int listedDncLines() const { return m_dnc ? m_lineCount : 0; }
    const DncLines& dncLines() const { return m_dncLines; }
    DncLines takeDncLines() { return std::move(m_dncLines); }

private:
    void walk(qsizetype end);
    void endLine(qsizetype end, bool terminated);
    void finish();

    QByteArray m_file;
    QByteArray m_text; // the bytes walked: the file without TABs (text types) or the file itself (DNC)
    bool m_dnc;
    qint64 m_pos = 0;
    qsizetype m_walked = 0;
    qsizetype m_lineStart = 0;
    char m_prev = 0;
    bool m_walkStopped = false;
    QList<QByteArray> m_list;
    QByteArray m_image;
    DncLines m_dncLines;
    int m_lineCount = 0;
    int m_longest = 0;
    bool m_cut = false;
    bool m_done = false;
    bool m_cancelled = false;
};

struct TextLoad {
    QList<QByteArray> listLines;
    QByteArray image;
    int lineCount = 0;
    int longestLine = 0;
    QByteArray sizeLabel;
    DncLines dncLines;
};

// The whole load at once.
TextLoad loadTextFile(const QByteArray& file, bool dnc);

// ";[" + number as eight digits + "] " + text.
QByteArray textListLine(int number, const QByteArray& text);

} // namespace velmorix
