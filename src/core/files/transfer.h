#pragma once

#include "core/files/file_compare.h"
#include "core/files/file_types.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

namespace velmorix {

// How a transfer ended, said once per transfer. The window's texts, velmorix-cli's lines and its exit
// status are all taken from here.
struct TransferEnd {
    enum class Kind {
        Sent,         // the last byte crossed and the controller's next status carried no new error
        Received,     // the whole body arrived
        Refused,      // the controller reported a new error number (errorNumber)
        NotConfirmed, // every byte crossed, but the controller sent no status after the file
        BrokenOff,    // a DNC run stopped part-way (lastLine, resumeLine)
        NotWhole,     // a received body that arrived garbled, or whose records disagree with it
        NotSaved,     // a received file the save policy did not write (a name taken, a folder left)
        Failed,       // anything else: no answer, the link lost, a file that could not be read or saved
    };
    TransferEnd() = default;
    TransferEnd(Kind k, QString why = {}) : kind(k), reason(std::move(why)) {}

    Kind kind = Kind::Failed;
    QString reason;        // one line for the operator: "no answer to the announcement", …
    int errorNumber = 0;   // Refused: the controller's error number
    qint32 lastLine = 0;   // DNC: the last line that had crossed the line (1 = the first), 0: none
    qint32 resumeLine = 0; // DNC: the first line the controller may not have run
    QString savedPath;     // a receive saved to a file: where
    QByteArray savedBytes; // a receive: what its file holds (for a save to standard output)
    QString recordId;      // the transfer journal's record of it, where a journal is kept
    std::optional<FileComparison> compared; // a receive asked to compare its file: what that found

    bool ok() const { return kind == Kind::Sent || kind == Kind::Received; }
};

// The one owner of the file-transfer state: which transfer runs (a receive requested or arriving,
// a send requested or running, the 8-bit upload waiting), the text gathered from the controller
// meanwhile, the bytes the sender wrote, and the send type the running send latched when it
// started. Nothing else sets these flags, so one transfer at a time is enforced here.
//
// The poll tick hands in the bytes it read; the handshakes move the state on and say so through
// the hooks; the watchdog, Reset and the loss of DSR end it with abort().
class Transfer {
public:
    struct Hooks {
        std::function<void(qsizetype)> gathered;          // a receive grew RxText to this many bytes
        std::function<void(const QByteArray&)> announced; // "@WRITE(name)" seen
        std::function<void()> bodyBegins;                 // the body's DC2 arrived: the watchdog waits on
        std::function<void()> bodyArriving;               // each tick while the body arrives
        std::function<void()> readAcknowledged;           // "@READ" seen: the send may start
        std::function<void(bool sending)> began;          // a transfer began: one end will follow
        std::function<void(TransferEnd&)> ended;          // a transfer ended, well or not; may add to it
    };

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    bool RecvRequested() const { return m_recvRequested; }
    bool RecvBody() const { return m_recvBody; }
    bool SendRequested() const { return m_sendRequested; }
    bool Sending() const { return m_sending; }
    bool XoffHold() const { return m_xoffHold; }
    bool ArmSending() const { return m_armSending; }
    const QByteArray& RxText() const { return m_rxText; }
    // What was gathered, handed over whole; RxText is empty afterwards.
    QByteArray takeRxText() { return std::exchange(m_rxText, QByteArray()); }

    // The send type the running (or requested) send latched.
    int sendItem() const { return m_sendItem; }
    bool dncSending() const { return m_sending && m_sendItem == kDncTypeIndex; }
    // A DNC run owns the line from its announcement until its last line has crossed: only its lines
    // and monitor requests go out meanwhile. Value writes and MDI frames are not framed by STX/ETX as
    // monitor requests are, and their DC4 would close the open tape.
    bool dncOwnsLine() const { return m_sendRequested && m_sendItem == kDncTypeIndex; }
    // A receive or a send is requested or under way.
    bool active() const { return m_recvRequested || m_recvBody || m_sendRequested || m_sending; }
    // The poll tick reads its bytes for the transfer rather than for the status ring.
    bool gathering() const { return m_recvRequested || m_sendRequested; }

    // Starts waiting for the controller's answer; refused while another transfer runs.
    bool requestReceive();
    bool requestSend(int sendItem);

    // The bytes of one poll tick, while gathering(). Returns whether they also belong on the status
    // ring: a DNC run keeps the live display going.
    bool takeBytes(const QByteArray& chunk);

    // The watchdog's break, Reset, DSR loss: every mode ends at once.
    void abort();
    // The watchdog's time-outs: the wait for "@WRITE" or "@READ" ends and its text is dropped; a
    // send whose last chunk stalled ends with it.
    void receiveTimedOut();
    void sendTimedOut();
    // The receiver took the whole body; the sender wrote everything.
    void finishReceive();
    void finishSend();

    // The 8-bit upload waits for the controller while this is set.
    void setArmSending(bool on) {
        m_armSending = on;
        if (on && !m_open) {
            m_open = true;
            if (m_hooks.began)
                m_hooks.began(true);
        }
    }

    // Every byte of a send left; whether the controller kept the file shows in its next status
    // word, so the end is said then (or when the next transfer starts, or the wait gives up).
    void awaitVerdict() { m_verdictPending = m_open; }
    bool awaitingVerdict() const { return m_open && m_verdictPending; }

    // The end of the transfer under way, said once: by the sender, the receiver, the watchdog or
    // Reset, whichever ends it first.
    void report(TransferEnd end);
    void reportFailure(const QString& reason) { report({TransferEnd::Kind::Failed, reason}); }
    // A transfer is open from its request until its end has been said.
    bool open() const { return m_open; }

    // What the sender wrote, for the transmit rate; taking it starts the count afresh.
    void countWritten(qint64 bytes) { m_txByteCount += static_cast<quint32>(bytes); }
    quint32 takeTxByteCount() {
        const quint32 n = m_txByteCount;
        m_txByteCount = 0;
        return n;
    }

private:
    // A new transfer takes over: one whose verdict still waits was never confirmed.
    bool begin(bool sending);
    void takeReceiveBytes(const QByteArray& chunk);
    bool takeSendBytes(const QByteArray& chunk);

    Hooks m_hooks;
    bool m_recvRequested = false;
    bool m_recvBody = false;
    bool m_sendRequested = false;
    bool m_sending = false;
    bool m_xoffHold = false;
    bool m_armSending = false;
    QByteArray m_rxText;
    quint32 m_txByteCount = 0;
    int m_sendItem = 0;
    bool m_open = false; // a transfer began and its end has not been said yet
    bool m_verdictPending = false;
};

} // namespace velmorix
