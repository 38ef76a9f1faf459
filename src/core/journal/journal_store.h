#pragma once

#include "core/journal/journal_location.h"
#include "core/journal/journal_record.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace velmorix {

// Which records `history` and the history window ask for: newest first.
struct HistoryFilter {
    std::optional<QDateTime> since; // started at or after
    std::optional<QDateTime> until; // started before
    QString port;                   // the port name or the device it opens, in any letter case
    QString file;                   // part of the file's name or path, in any letter case
    QList<TransferEnd::Kind> outcomes;
    int limit = 100; // 0: all
};

// One connection to the journal through QtSql, on the thread that made it. Opening it brings the
// schema to the current version (the migrations run in one transaction that holds the database, so
// several programs opening a new journal at once create it once). Records are inserted by their
// id, so one written twice is kept once.
class JournalStore {
public:
    static constexpr int kSchemaVersion = 2;

    // `connection`: a name unique to this thread's connection.
    explicit JournalStore(QString connection);
    ~JournalStore();
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    // The reason when the journal cannot be opened or brought to the current schema; empty when it can.
    QString open(const JournalLocation& location);
    bool isOpen() const { return m_open; }
    void close();

    // All in one transaction; the reason when they could not be written.
    QString insert(const QList<JournalRecord>& records);
    QList<JournalRecord> query(const HistoryFilter& filter, QString* error) const;
    int schemaVersion() const;

private:
    QString migrate();
    QString exec(const QString& sql) const;
    bool postgres() const { return m_location.kind == JournalLocation::Kind::PostgreSQL; }
    QSqlDatabase db() const;

    QString m_connection;
    JournalLocation m_location;
    bool m_open = false;
};

// What the journal's SQL text says of an error, in one line.
QString sqlErrorText(const class QSqlError& error);

} // namespace velmorix
