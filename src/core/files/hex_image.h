#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace velmorix {

// Packs a file of a hex type (3 to 8, 10, 11) into its transfer image and its list lines.
//
// The image is 40 * (L + 2) characters for L = ceil(N / 16) lines of 16 bytes: groups of four
// uppercase hex digits (two bytes, high nibble first) each ended by CR, the data zero-padded to a
// whole line, then the length record (0xAA x 8, "LEN:", N) and the checksum record (0xAA x 8, "CKS:",
// the byte sum modulo 2^32), both 32-bit big-endian.
//
// The list shows the complete lines whose last byte index is at most 65536, "......" when N is above
// 65536, the partial last line whatever N is, and one line for each record.
//
// Work goes in steps so the caller can keep its event loop turning; the image is written straight
// into a buffer sized once, never byte by byte through a growing string.
class HexPacker {
public:
    explicit HexPacker(QByteArray file);

    // Packs up to maxBytes more file bytes (rounded up to whole 16-byte lines) and, once the last
    // byte is in, appends the records. Returns the number of file bytes packed so far.
    qint64 step(qint64 maxBytes);
    bool done() const { return m_done; }
    qint64 processed() const { return m_pos; }
    qint64 total() const { return m_file.size(); }

    // Complete once done(); an empty file gives an empty image and no list lines.
    const QByteArray& image() const { return m_image; }
    const QList<QByteArray>& listLines() const { return m_list; }
    quint32 checksum() const { return m_checksum; }

    QByteArray takeImage() { return std::move(m_image); }
    QList<QByteArray> takeListLines() { return std::move(m_list); }

private:
    void finish();

    QByteArray m_file;
    QByteArray m_image;
    QList<QByteArray> m_list;
    qint64 m_pos = 0;
    quint32 m_checksum = 0;
    bool m_done = false;
};

struct HexPack {
    QByteArray image;
    QList<QByteArray> listLines;
    quint32 checksum = 0;
};

// The whole packing at once.
HexPack packHexFile(const QByteArray& file);

// The display line of the 16 bytes at `offset`, of which the first `valid` exist: ";[" offset "]",
// eight groups " HH-HH", four blanks, the 16 bytes as characters (zero shown as ".", missing ones blank).
QByteArray hexListLine(qint64 offset, const char* bytes, int valid);

} // namespace velmorix
