#pragma once

#include "core/files/transfer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace velmorix {

// One transfer as the journal keeps it: when, who and where, which file, and how it ended in the
// job's own terms. The engine fills it from the transfer's start and its end; the journal adds who
// wrote it and, off the event loop, the file's size, lines and SHA-256 from `content`.
struct JournalRecord {
    QString recordId; // unique; a record written twice (a spool replayed again) is kept once
    QDateTime started;
    QDateTime ended;
    qint64 durationMs = 0;

    QString program; // "velmorix" (the window) or "velmorix-cli"
    QString osUser;
    QString host;

    QString port;         // the console's port name ("COM1")
    QString device;       // what it opens ("/dev/ttyUSB0", "simulator")
    QString lineSettings; // "38400,E,7,2"
    QString controllerSerial;

    bool sending = true;
    QString fileType; // the list item, "0:CNC", "S:999"
    QString fileName;
    QString filePath; // absolute; empty for a receive that was not saved
    std::optional<qint64> bytes;
    std::optional<qint64> lines; // text types only
    QString sha256;              // of the file as loaded (a send) or as saved (a receive)

    TransferEnd::Kind outcome = TransferEnd::Kind::Failed;
    QString reason;
    int errorNumber = 0;
    QString errorText;
    qint32 lastLine = 0;
    qint32 resumeLine = 0;
    QString compared; // a receive compared with a file: "same as p.Cnc", "differs from p.Cnc: line 3"
    QString verifies; // the record of the send this receive verified

    // Not stored: what the worker hashes and counts, and whether lines count for its type.
    QByteArray content;
    bool hasContent = false; // a file was sent or received (its content may still be empty)
    bool textType = false;

    // Fills bytes, lines and sha256 from `content` and lets it go.
    void digestContent();
};

// The outcome as one word in the journal and in --outcome: "sent", "received", "refused",
// "not-confirmed", "broken-off", "not-whole", "not-saved", "failed".
QString outcomeWord(TransferEnd::Kind kind);
std::optional<TransferEnd::Kind> outcomeOfWord(const QString& word);
// The outcome in the job's terms: "refused: error 31 Spindle alarm", "not confirmed",
// "broken off at line 12, resume from 9", "received; same as p.Cnc".
QString outcomeText(const JournalRecord& record);

// Where records go. The engine hands each one over at its transfer's end and never waits for it.
class TransferJournal {
public:
    virtual ~TransferJournal() = default;
    virtual void write(JournalRecord record) = 0;
};

} // namespace velmorix
