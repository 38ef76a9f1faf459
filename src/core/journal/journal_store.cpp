#include "core/journal/journal_store.h"

#include "core/journal/journal_schema.h"
#include "core/wire/recording_port.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace velmorix {

namespace {

constexpr int kBusyTimeoutMs = 5000;       // SQLite: how long a writer waits for another one
constexpr int kConnectTimeoutS = 3;        // PostgreSQL: how long a connection attempt may take
constexpr qint64 kMigrationLock = 7243501; // PostgreSQL: the advisory lock the migrations hold

QVariant optionalValue(const std::optional<qint64>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::LongLong));
}

// Text columns are NOT NULL: an empty text goes in as "", never as NULL.
QVariant textValue(const QString& t) {
    return t.isNull() ? QVariant(QStringLiteral("")) : QVariant(t);
}

QVariantList values(const JournalRecord& r) {
    return {textValue(r.recordId),
            r.started.toMSecsSinceEpoch(),
            wallClockText(r.started),
            wallClockText(r.ended),
            r.durationMs,
            textValue(r.program),
            textValue(r.osUser),
            textValue(r.host),
            textValue(r.port),
            textValue(r.device),
            textValue(r.lineSettings),
            textValue(r.controllerSerial),
            r.sending ? QStringLiteral("send") : QStringLiteral("receive"),
            textValue(r.fileType),
            textValue(r.fileName),
            textValue(r.filePath),
            optionalValue(r.bytes),
            optionalValue(r.lines),
            r.sha256.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(r.sha256),
            outcomeWord(r.outcome),
            textValue(r.reason),
            r.errorNumber,
            textValue(r.errorText),
            r.lastLine,
            r.resumeLine,
            textValue(r.compared),
            textValue(r.verifies)};
}

// The columns as journalColumns() lists them, which is how a query selects them.
enum Column {
    RecordId,
    StartedMs,
    StartedAt,
    EndedAt,
    DurationMs,
    Program,
    OsUser,
    Host,
    Port,
    Device,
    LineSettings,
    ControllerSerial,
    Direction,
    FileType,
    FileName,
    FilePath,
    Bytes,
    Lines,
    Sha256,
    Outcome,
    Reason,
    ErrorNumber,
    ErrorText,
    LastLine,
    ResumeLine,
    Compared,
    Verifies
};

JournalRecord recordOf(const QSqlQuery& q) {
    JournalRecord r;
    const auto text = [&](Column c) { return q.value(int(c)).toString(); };
    const auto number = [&](Column c) -> std::optional<qint64> {
        const QVariant v = q.value(int(c));
        return v.isNull() ? std::nullopt : std::optional<qint64>(v.toLongLong());
    };
    r.recordId = text(RecordId);
    r.started = QDateTime::fromString(text(StartedAt), Qt::ISODateWithMs);
    r.ended = QDateTime::fromString(text(EndedAt), Qt::ISODateWithMs);
    r.durationMs = number(DurationMs).value_or(0);
    r.program = text(Program);
    r.osUser = text(OsUser);
    r.host = text(Host);
    r.port = text(Port);
    r.device = text(Device);
    r.lineSettings = text(LineSettings);
    r.controllerSerial = text(ControllerSerial);
    r.sending = text(Direction) == QLatin1String("send");
    r.fileType = text(FileType);
    r.fileName = text(FileName);
    r.filePath = text(FilePath);
    r.bytes = number(Bytes);
    r.lines = number(Lines);
    r.sha256 = text(Sha256);
    r.outcome = outcomeOfWord(text(Outcome)).value_or(TransferEnd::Kind::Failed);
    r.reason = text(Reason);
    r.errorNumber = int(number(ErrorNumber).value_or(0));
    r.errorText = text(ErrorText);
    r.lastLine = qint32(number(LastLine).value_or(0));
    r.resumeLine = qint32(number(ResumeLine).value_or(0));
    r.compared = text(Compared);
    r.verifies = text(Verifies);
    return r;
}

// A LIKE pattern that finds the text anywhere, its own % and _ taken literally.
QString containsPattern(const QString& text) {
    QString t = text.toLower();
    t.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + t + QLatin1Char('%');
}

} // namespace

QString sqlErrorText(const QSqlError& error) {
    QString text = error.text().simplified();
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

JournalStore::JournalStore(QString connection) : m_connection(std::move(connection)) {}

JournalStore::~JournalStore() {
    close();
}

QSqlDatabase JournalStore::db() const {
    return QSqlDatabase::database(m_connection, false);
}

void JournalStore::close() {
    if (!QSqlDatabase::contains(m_connection))
        return;
    {
        QSqlDatabase d = db();
        d.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_open = false;
}

QString JournalStore::exec(const QString& sql) const {
    QSqlQuery q(db());
    return q.exec(sql) ? QString() : sqlErrorText(q.lastError());
}

QString JournalStore::open(const JournalLocation& location) {
    close();
    m_location = location;
    QSqlDatabase d;
    if (postgres()) {
        d = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
        d.setHostName(location.host);
        if (location.port > 0)
            d.setPort(location.port);
        d.setDatabaseName(location.database);
        d.setUserName(location.user);
        d.setPassword(location.password);
        d.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS));
    } else {
        d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        QDir().mkpath(QFileInfo(location.path).absolutePath());
        d.setDatabaseName(location.path);
        d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    }
    if (!d.isValid())
        return QStringLiteral("the Qt SQL driver for %1 is not installed")
            .arg(postgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"));
    if (!d.open())
        return sqlErrorText(d.lastError());
    if (!postgres()) {
        // Readers never block the writer and writers queue behind each other instead of failing.
        // A journal that cannot be written still reads; its writes fail where they are tried.
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    if (const QString error = migrate(); !error.isEmpty())
        return error;
    m_open = true;
    return {};
}

int JournalStore::schemaVersion() const {
    QSqlQuery q(db());
    if (!q.exec(QStringLiteral("SELECT value FROM journal_meta WHERE key = 'schema_version'")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

QString JournalStore::migrate() {
    if (schemaVersion() >= kSchemaVersion)
        return {};
    // Whoever opens first creates or upgrades; the others wait for the lock and find it done.
    QString error = exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    if (!error.isEmpty())
        return error;
    const auto fail = [this](const QString& why) {
        exec(QStringLiteral("ROLLBACK"));
        return why;
    };
    if (postgres() &&
        !(error = exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(kMigrationLock))).isEmpty())
        return fail(error);
    error = exec(QStringLiteral("CREATE TABLE IF NOT EXISTS journal_meta (key VARCHAR(64) PRIMARY KEY, "
                                "value TEXT NOT NULL)"));
    if (!error.isEmpty())
        return fail(error);
    const int found = schemaVersion();
    for (int v = found + 1; v <= kSchemaVersion; ++v)
        for (const QString& sql : journalMigration(v, postgres()))
            if (!(error = exec(sql)).isEmpty())
                return fail(QStringLiteral("schema version %1: %2").arg(v).arg(error));
    if (found < kSchemaVersion) {
        QSqlQuery q(db());
        q.prepare(found == 0
                      ? QStringLiteral("INSERT INTO journal_meta (key, value) VALUES ('schema_version', ?)")
                      : QStringLiteral("UPDATE journal_meta SET value = ? WHERE key = 'schema_version'"));
        q.addBindValue(QString::number(kSchemaVersion));
        if (!q.exec())
            return fail(sqlErrorText(q.lastError()));
    }
    error = exec(QStringLiteral("COMMIT"));
    return error.isEmpty() ? QString() : fail(error);
}

QString JournalStore::insert(const QList<JournalRecord>& records) {
    if (!m_open)
        return QStringLiteral("the journal is not open");
    const QStringList columns = journalColumns();
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql =
        QStringLiteral("INSERT INTO transfers (%1) VALUES (%2) ON CONFLICT (record_id) DO NOTHING")
            .arg(columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    if (QString error = exec(postgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
        !error.isEmpty())
        return error;
    QSqlQuery q(db());
    q.prepare(sql);
    for (const JournalRecord& r : records) {
        for (const QVariant& v : values(r))
            q.addBindValue(v);
        if (!q.exec()) {
            const QString error = sqlErrorText(q.lastError());
            exec(QStringLiteral("ROLLBACK"));
            return error;
        }
    }
    const QString error = exec(QStringLiteral("COMMIT"));
    if (!error.isEmpty())
        exec(QStringLiteral("ROLLBACK"));
    return error;
}

QList<JournalRecord> JournalStore::query(const HistoryFilter& f, QString* error) const {
    QStringList where;
    QVariantList binds;
    if (f.since) {
        where << QStringLiteral("started_ms >= ?");
        binds << f.since->toMSecsSinceEpoch();
    }
    if (f.until) {
        where << QStringLiteral("started_ms < ?");
        binds << f.until->toMSecsSinceEpoch();
    }
    // SQLite's NOCASE and LIKE fold ASCII letters; PostgreSQL has LOWER and ILIKE for it.
    if (!f.port.isEmpty()) {
        where << (postgres() ? QStringLiteral("(LOWER(port) = ? OR LOWER(device) = ?)")
                             : QStringLiteral("(port = ? COLLATE NOCASE OR device = ? COLLATE NOCASE)"));
        binds << f.port.toLower() << f.port.toLower();
    }
    if (!f.file.isEmpty()) {
        where << QStringLiteral("(file_name %1 ? ESCAPE '\\' OR file_path %1 ? ESCAPE '\\')")
                     .arg(postgres() ? QStringLiteral("ILIKE") : QStringLiteral("LIKE"));
        binds << containsPattern(f.file) << containsPattern(f.file);
    }
    if (!f.outcomes.isEmpty()) {
        QStringList marks;
        for (TransferEnd::Kind k : f.outcomes) {
            marks << QStringLiteral("?");
            binds << outcomeWord(k);
        }
        where << QStringLiteral("outcome IN (%1)").arg(marks.join(QLatin1Char(',')));
    }
    QString sql = QStringLiteral("SELECT %1 FROM transfers").arg(journalColumns().join(QLatin1Char(',')));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY started_ms DESC, id DESC");
    if (f.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(f.limit);
    QSqlQuery q(db());
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& v : binds)
        q.addBindValue(v);
    QList<JournalRecord> out;
    if (!q.exec()) {
        *error = sqlErrorText(q.lastError());
        return out;
    }
    while (q.next())
        out << recordOf(q);
    return out;
}

} // namespace velmorix
