#include "core/journal/sql_journal.h"

#include "core/journal/journal_spool.h"
#include "core/journal/journal_store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QSysInfo>
#include <QThread>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace velmorix {

SqlJournal::SqlJournal(JournalLocation location, QString program)
    : m_location(std::move(location)), m_program(std::move(program)), m_user(osUser()), m_host(hostName()) {
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->setObjectName(QStringLiteral("journal"));
    m_thread->start(QThread::LowPriority);
}

SqlJournal::~SqlJournal() {
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_wake.wakeAll();
    }
    m_thread->wait();
    deliverProblems();
}

QString SqlJournal::osUser() {
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (const QString user = qEnvironmentVariable(name); !user.isEmpty())
            return user;
#ifdef Q_OS_UNIX
    if (const passwd* pw = getpwuid(geteuid()))
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    return QStringLiteral("unknown");
}

QString SqlJournal::hostName() {
    return QSysInfo::machineHostName();
}

void SqlJournal::write(JournalRecord record) {
    record.program = m_program;
    record.osUser = m_user;
    record.host = m_host;
    QMutexLocker lock(&m_mutex);
    m_queue << std::move(record);
    m_wake.wakeAll();
}

bool SqlJournal::flush(int timeoutMs) {
    bool done = false;
    {
        QMutexLocker lock(&m_mutex);
        QDeadlineTimer deadline(timeoutMs);
        while ((!m_queue.isEmpty() || m_busy) && !deadline.hasExpired())
            m_idle.wait(&m_mutex, deadline);
        done = m_queue.isEmpty() && !m_busy;
    }
    deliverProblems();
    return done;
}

void SqlJournal::run() {
    JournalStore store(QStringLiteral("velmorix-journal-") +
                       QUuid::createUuid().toString(QUuid::WithoutBraces));
    // Opening also replays what waited from before.
    writeBatch(store, {});
    QMutexLocker lock(&m_mutex);
    for (;;) {
        while (m_queue.isEmpty() && !m_stop)
            m_wake.wait(&m_mutex);
        if (m_queue.isEmpty())
            break;
        QList<JournalRecord> batch = std::exchange(m_queue, {});
        m_busy = true;
        lock.unlock();
        for (JournalRecord& r : batch)
            r.digestContent();
        writeBatch(store, std::move(batch));
        lock.relock();
        m_busy = false;
        if (m_queue.isEmpty())
            m_idle.wakeAll();
    }
    m_idle.wakeAll();
}

void SqlJournal::writeBatch(JournalStore& store, QList<JournalRecord> batch) {
    QString error;
    if (!store.isOpen())
        error = store.open(m_location);
    const JournalSpool spool(m_location.spoolPath);
    if (error.isEmpty())
        error = spool.replay(store);
    if (error.isEmpty() && !batch.isEmpty())
        error = store.insert(batch);
    if (!error.isEmpty()) {
        store.close(); // opened afresh at the next write: the database may be back by then
        failed(std::move(batch), error);
        return;
    }
    QMutexLocker lock(&m_mutex);
    m_told = false;
}

void SqlJournal::failed(QList<JournalRecord> batch, const QString& error) {
    QString kept;
    if (!batch.isEmpty()) {
        const QString spoolError = JournalSpool(m_location.spoolPath).append(batch);
        kept =
            spoolError.isEmpty()
                ? QStringLiteral("the record waits in %1").arg(QDir::toNativeSeparators(m_location.spoolPath))
                : QStringLiteral("the record is lost: %1").arg(spoolError);
    } else {
        kept = QStringLiteral("records wait in %1").arg(QDir::toNativeSeparators(m_location.spoolPath));
    }
    QMutexLocker lock(&m_mutex);
    // An open with nothing to write says nothing unless records wait; a lost record is always said.
    const bool lost = kept.startsWith(QLatin1String("the record is lost"));
    if ((m_told && !lost) || (batch.isEmpty() && !JournalSpool(m_location.spoolPath).waiting()))
        return;
    m_told = true;
    m_problems << QStringLiteral("journal: cannot write %1 (%2); %3").arg(m_location.text(), error, kept);
    QMetaObject::invokeMethod(
        &m_context, [this] { deliverProblems(); }, Qt::QueuedConnection);
}

void SqlJournal::deliverProblems() {
    QStringList problems;
    {
        QMutexLocker lock(&m_mutex);
        problems = std::exchange(m_problems, {});
    }
    if (m_problemHandler)
        for (const QString& p : problems)
            m_problemHandler(p);
}

} // namespace velmorix
