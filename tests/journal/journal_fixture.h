#pragma once

#include "core/journal/journal_location.h"
#include "core/journal/journal_store.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

namespace velmorix::test {

// The journal's SQL drivers are plugins, which only an application object finds: one for the tests
// that run without.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "velmorix-tests";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv); // lives as long as the test program
}

inline QString sha256Hex(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// An SQLite journal in a folder of its own, its spool beside it.
inline JournalLocation sqliteJournal(const QString& folder,
                                     const QString& name = QStringLiteral("journal.sqlite3")) {
    QString error;
    JournalLocation l = *JournalLocation::parse(QDir(folder).filePath(name), &error);
    l.spoolPath = QDir(folder).filePath(QStringLiteral("spool.jsonl"));
    return l;
}

// A whole record of a send from velmorix-cli that started at `started` (ISO 8601 with milliseconds).
inline JournalRecord record(const QString& id, const QString& started, TransferEnd::Kind outcome) {
    JournalRecord r;
    r.recordId = id;
    r.started = QDateTime::fromString(started, Qt::ISODateWithMs);
    r.ended = r.started.addMSecs(1250);
    r.durationMs = 1250;
    r.program = QStringLiteral("velmorix-cli");
    r.osUser = QStringLiteral("op");
    r.host = QStringLiteral("shop-pc-3");
    r.port = QStringLiteral("COM1");
    r.device = QStringLiteral("/dev/ttyUSB0");
    r.lineSettings = QStringLiteral("38400,E,7,2");
    r.controllerSerial = QStringLiteral("SN-0142857");
    r.fileType = QStringLiteral("0:CNC");
    r.fileName = QStringLiteral("part.Cnc");
    r.filePath = QStringLiteral("/home/op/part.Cnc");
    r.bytes = 1234;
    r.lines = 40;
    r.sha256 = QString(64, QLatin1Char('a'));
    r.outcome = outcome;
    return r;
}

// Every record of a journal, newest first, read through a connection of its own.
inline QList<JournalRecord> allRecords(const JournalLocation& location, QString* error = nullptr) {
    JournalStore store(QStringLiteral("test-read-") + QUuid::createUuid().toString(QUuid::WithoutBraces));
    QString why = store.open(location);
    QList<JournalRecord> records;
    if (why.isEmpty()) {
        HistoryFilter all;
        all.limit = 0;
        records = store.query(all, &why);
    }
    if (error)
        *error = why;
    return records;
}

} // namespace velmorix::test
