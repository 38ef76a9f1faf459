#pragma once

#include "core/wire/wire_recorder.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <utility>

namespace velmorix {

// A run of bytes of the wire log, with what it is; unknown bytes have no name. `offset` counts in
// the bytes of the entry, after what the entries before left unfinished.
struct WirePiece {
    WirePiece() = default;
    WirePiece(qsizetype at, qsizetype count, QString what, QByteArray data = {})
        : offset(at), size(count), name(std::move(what)), bytes(std::move(data)) {}

    qsizetype offset = 0;
    qsizetype size = 0;
    QString name;
    QByteArray bytes;
};

// Names the frames of the protocol in what crossed the line, entry by entry in the order they were
// recorded. From the console: "link reset", "monitor request seq S, N variables", "value write N=V",
// "named value write NAME N=V", "MDI TEXT", "reset signal", "abort mark" and file bodies (one the
// reset signal breaks off ends before the signal's DC4, which is the signal's own); from the
// controller: "status frame seq S, N=N", "@READ(NAME)", "@WRITE(NAME)", "XON", "XOFF" and file
// bodies ("file body, N bytes"; one that goes on into the next entries is named where it ends with
// its whole length). Anything else stays unnamed, so it shows as hex. A frame cut by the end of an
// entry is held back and named with the next entry of its direction.
//
// A monitor request carries no sequence number; the one named is what its reply must carry as the
// controller counts: one past the sequence of the status frame or request before it (the first
// request of a fresh namer is 1, as the console's count starts at 0).
class FrameNamer {
public:
    QList<WirePiece> name(WireRecorder::Kind kind, const QByteArray& bytes);
    // What is held back of one direction, unnamed.
    QList<WirePiece> pending(WireRecorder::Kind kind) const;
    void reset() { *this = FrameNamer(); }

private:
    QList<WirePiece> fromConsole(const QByteArray& bytes);
    QList<WirePiece> fromController(const QByteArray& bytes);
    // A file body from the DC2 at `at` (or from 0 when one goes on from the entry before); returns
    // the size of the piece.
    qsizetype body(const QByteArray& bytes, qsizetype at, int direction, QList<WirePiece>* out);
    qsizetype handshake(const QByteArray& bytes, qsizetype at, QList<WirePiece>* out);
    qsizetype frameOrBody(const QByteArray& bytes, qsizetype at, QList<WirePiece>* out);

    std::optional<std::pair<qsizetype, QString>> request(const QByteArray& bytes, qsizetype at);

    int m_seq = 0;                    // the sequence last seen in a status frame, or of the last request
    qint64 m_brokenOffAfter = -1;     // a reset signal at the start of an entry broke off a body this long
    qint64 m_bodySoFar[2] = {-1, -1}; // bytes of a body that goes on, per direction; -1: none
    QByteArray m_pending[2];          // the start of a frame the entry before ended in
};

} // namespace velmorix
