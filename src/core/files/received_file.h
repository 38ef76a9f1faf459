#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <algorithm>
#include <optional>

namespace velmorix {

// What a received file turns into: the numbered lines of its body, and the bytes its saved file
// holds. All pure: text in, bytes out.

// ";[" + the number as six digits + "]" + two blanks + the text: 11 characters before the text,
// whatever the number (a power of ten added and the leading digit dropped: the last six digits).
QByteArray receivedListLine(int number, const QByteArray& text);
inline constexpr int kReceivedPrefix = 11;

// The lines of a body: CR is the only separator, empty stretches give no line, the text after the
// last CR is a line when it is not empty. Walks in slices, so a body of many megabytes lists
// without holding the window; it also counts the body's zero bytes (what the line garbled) as it
// walks.
class ReceivedLister {
public:
    explicit ReceivedLister(QByteArray body) : ReceivedLister(body, 0, body.size()) {}
    // The body is bytes [begin, end) of `text`, listed where it stands, without a copy.
    ReceivedLister(QByteArray text, qsizetype begin, qsizetype end);
    // Walks up to maxBytes more; returns whether the body is done.
    bool step(qsizetype maxBytes);
    qsizetype processed() const { return m_pos - m_begin; }
    qsizetype total() const { return m_end - m_begin; }
    QList<QByteArray> takeLines() { return std::move(m_lines); }
    const QList<QByteArray>& lines() const { return m_lines; }
    int longest() const { return m_longest; } // of the list lines, prefix included
    // Zero bytes in the part walked so far.
    qsizetype zeroBytes() const { return m_zeros; }

private:
    void add(qsizetype begin, qsizetype end);
    QByteArray m_text;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    QList<QByteArray> m_lines;
    qsizetype m_pos = 0;
    qsizetype m_lineStart = 0;
    qsizetype m_zeros = 0;
    int m_longest = 0;
};

// The bytes of four byte pairs in the first eight characters of a line: each pair is
// 16 × (first − 0x30) + (second − 0x30), so digits travel as "0".."9" and ":".."?".
QByteArray pairBytes(const QByteArray& line);

// The file of a hex save: every line but the first two and the last gives its four bytes.
QByteArray hexSaveBytes(const QList<QByteArray>& lines);

// The length and checksum records a transfer image ends with, where the decoded bytes carry them:
// eight 0xAA, "LEN:" and N, then eight 0xAA, "CKS:" and the byte sum, each record on a 16-byte
// boundary. `sum` is what the first N bytes really add up to; `at` is where the length record
// begins. Where the bytes hold more than one such pair (a program may hold one of its own), the
// last one that sits where its length puts it (N bytes padded to 16) is taken.
struct CheckRecords {
    quint32 length = 0;
    quint32 checksum = 0;
    quint32 sum = 0;
    qsizetype at = 0;
    bool matches() const { return checksum == sum; }
    // The bytes the records cover: N, but never past the records themselves.
    qsizetype dataSize() const { return std::min<qsizetype>(length, at); }
};
std::optional<CheckRecords> findCheckRecords(const QByteArray& bytes);

// The file a hex or PLC save writes from the decoded bytes of its lines: the bytes up to the length
// their record gives, or every decoded byte where they carry no record (then the file holds whole
// lines of four bytes, the last one padded with zero bytes).
QByteArray savedFileBytes(const QByteArray& decoded);

// The file name a save proposes: what the controller announced between "(" and ")", or the name
// after the last folder separator with a final "%" removed; in either case only a name, with any
// folder part and any character a file name cannot hold taken out.
QString proposedSaveName(const QString& labelFileName);

} // namespace velmorix
