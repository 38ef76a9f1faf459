#pragma once

#include "core/journal/journal_location.h"
#include "core/journal/journal_store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QUuid>

namespace velmorix::test {

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
