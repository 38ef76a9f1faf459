#pragma once

#include "core/journal/journal_location.h"
#include "core/journal/journal_record.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QStringList>
#include <QWaitCondition>
#include <functional>
#include <memory>

class QThread;

namespace velmorix {

class JournalStore;

// The transfer journal as the engine writes it: each record is handed to a thread of its own, which
// keeps its own connection to the database, so a record costs the transfer nothing. A record the
// database will not take waits in the spool and goes in at the next write or the next open. The
// first failure is said once, through the problem handler, on the thread that made the journal; after
// a good write a later failure is said again.
class SqlJournal final : public TransferJournal {
public:
    // `program` names who writes ("velmorix", "velmorix-cli").
    SqlJournal(JournalLocation location, QString program);
    // Waits until every record handed over is written or spooled.
    ~SqlJournal() override;

    void write(JournalRecord record) override;
    void setProblemHandler(std::function<void(const QString&)> handler) {
        m_problemHandler = std::move(handler);
    }
    // Waits up to `timeoutMs` for what was handed over so far; says any problem found meanwhile.
    // Returns whether all of it was dealt with.
    bool flush(int timeoutMs);
    const JournalLocation& location() const { return m_location; }

    // Who wrote a record: the user logged in, the machine's name.
    static QString osUser();
    static QString hostName();

private:
    void run();
    void writeBatch(JournalStore& store, QList<JournalRecord> batch);
    void failed(QList<JournalRecord> batch, const QString& error);
    void deliverProblems();

    const JournalLocation m_location;
    const QString m_program;
    const QString m_user;
    const QString m_host;
    std::function<void(const QString&)> m_problemHandler;

    QMutex m_mutex;
    QWaitCondition m_wake; // records or the stop for the worker
    QWaitCondition m_idle; // the worker has nothing left
    QList<JournalRecord> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    bool m_told = false; // the current failure has been said
    QStringList m_problems;

    QObject m_context; // lives on the thread that made the journal: problems are said there
    std::unique_ptr<QThread> m_thread;
};

} // namespace velmorix
