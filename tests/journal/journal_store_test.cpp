// The journal's store: the same record suite against SQLite and against a PostgreSQL server the test
// starts itself; an older journal brought up to date; a journal that cannot be written spools and
// replays.
#include "journal_fixture.h"
#include "postgres_server.h"

#include "core/journal/journal_spool.h"
#include "core/journal/sql_journal.h"

#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;
using Kind = TransferEnd::Kind;

namespace {

enum class Backend { SQLite, PostgreSQL };

class RecordSuite : public ::testing::TestWithParam<Backend> {
protected:
    static void SetUpTestSuite() {
        s_server = std::make_unique<PostgresServer>();
        if (!s_server->start(&s_why))
            s_server.reset();
    }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        if (GetParam() == Backend::SQLite) {
            location = sqliteJournal(dir.path());
            return;
        }
        if (!s_server)
            GTEST_SKIP() << "no PostgreSQL server here: " << s_why.toStdString();
        QString error;
        location = *JournalLocation::parse(s_server->url(s_server->newDatabase()), &error);
        location.spoolPath = QDir(dir.path()).filePath(QStringLiteral("spool.jsonl"));
    }

    QTemporaryDir dir;
    JournalLocation location;
    static inline std::unique_ptr<PostgresServer> s_server;
    static inline QString s_why;
};

} // namespace

TEST_P(RecordSuite, RecordsComeBackAsWrittenAndEachOnce) {
    JournalRecord refused = record("r-1", "2026-12-09T10:05:00.125+01:00", Kind::Refused);
    refused.errorNumber = 31;
    refused.errorText = QStringLiteral("Spindle alarm");
    refused.reason = QStringLiteral("the controller reported error 31: Spindle alarm, \"stop\"");
    JournalRecord broken = record("r-2", "2026-12-09T10:06:00.000-05:30", Kind::BrokenOff);
    broken.lastLine = 120;
    broken.resumeLine = 97;
    broken.fileName = QStringLiteral("零件.Cnc");
    JournalRecord received = record("r-3", "2026-12-09T10:07:00.000+00:00", Kind::Received);
    received.sending = false;
    received.filePath.clear();
    received.lines.reset();
    received.bytes = 0;
    received.compared = QStringLiteral("differs from p.Cnc: line 3");
    received.verifies = QStringLiteral("r-1");

    JournalStore store(QStringLiteral("suite"));
    ASSERT_EQ(store.open(location), QString());
    ASSERT_EQ(store.insert({refused, broken}), QString());
    // A spool replayed twice, or a record written and then spooled: kept once.
    ASSERT_EQ(store.insert({received, refused}), QString());

    QString error;
    const QList<JournalRecord> back = allRecords(location, &error);
    ASSERT_EQ(error, QString());
    ASSERT_EQ(back.size(), 3);
    // Newest first by the moment, whatever the offset: 15:36, 10:07, 09:05 UTC.
    const JournalRecord& r2 = back[0];
    const JournalRecord& r3 = back[1];
    const JournalRecord& r1 = back[2];
    EXPECT_EQ(r1.recordId, "r-1");
    EXPECT_EQ(r1.started, refused.started);
    EXPECT_EQ(r1.started.offsetFromUtc(), 3600);
    EXPECT_EQ(r2.started.offsetFromUtc(), -19800);
    EXPECT_EQ(r1.ended, refused.ended);
    EXPECT_EQ(r1.durationMs, 1250);
    EXPECT_EQ(r1.program, "velmorix-cli");
    EXPECT_EQ(r1.osUser, "op");
    EXPECT_EQ(r1.host, "shop-pc-3");
    EXPECT_EQ(r1.port, "COM1");
    EXPECT_EQ(r1.device, "/dev/ttyUSB0");
    EXPECT_EQ(r1.lineSettings, "38400,E,7,2");
    EXPECT_EQ(r1.controllerSerial, "SN-0142857");
    EXPECT_TRUE(r1.sending);
    EXPECT_EQ(r1.fileType, "0:CNC");
    EXPECT_EQ(r1.filePath, "/home/op/part.Cnc");
    EXPECT_EQ(r1.bytes, 1234);
    EXPECT_EQ(r1.lines, 40);
    EXPECT_EQ(r1.sha256, refused.sha256);
    EXPECT_EQ(r1.outcome, Kind::Refused);
    EXPECT_EQ(r1.errorNumber, 31);
    EXPECT_EQ(r1.reason, refused.reason);
    EXPECT_EQ(outcomeText(r1), "refused: error 31 Spindle alarm");
    EXPECT_EQ(r2.fileName, QStringLiteral("零件.Cnc"));
    EXPECT_EQ(outcomeText(r2), "broken off at line 120, resume from 97");
    EXPECT_FALSE(r3.sending);
    EXPECT_EQ(r3.bytes, 0);
    EXPECT_FALSE(r3.lines.has_value());
    EXPECT_EQ(r3.filePath, QString());
    EXPECT_EQ(r3.verifies, "r-1");
    EXPECT_EQ(outcomeText(r3), "received; differs from p.Cnc: line 3");
}

TEST_P(RecordSuite, HistoryFiltersNewestFirst) {
    JournalStore store(QStringLiteral("filters"));
    ASSERT_EQ(store.open(location), QString());
    QList<JournalRecord> rs;
    for (int i = 0; i < 6; ++i) {
        JournalRecord r =
            record(QStringLiteral("f-%1").arg(i), QStringLiteral("2026-12-0%1T12:00:00.000+00:00").arg(i + 1),
                   i % 2 ? Kind::Sent : Kind::Failed);
        r.port = i < 3 ? QStringLiteral("COM1") : QStringLiteral("COM2");
        r.device = i == 5 ? QStringLiteral("simulator") : r.device;
        r.fileName = QStringLiteral("part_%1%.Cnc").arg(i);
        rs << r;
    }
    ASSERT_EQ(store.insert(rs), QString());
    const auto ids = [&](HistoryFilter f) {
        QString error;
        QStringList out;
        for (const JournalRecord& r : store.query(f, &error))
            out << r.recordId;
        EXPECT_EQ(error, QString());
        return out.join(QLatin1Char(' '));
    };
    EXPECT_EQ(ids({}), "f-5 f-4 f-3 f-2 f-1 f-0");
    HistoryFilter f;
    f.limit = 2;
    EXPECT_EQ(ids(f), "f-5 f-4");
    f = {};
    f.since = QDateTime::fromString(QStringLiteral("2026-12-02T13:00:00+01:00"), Qt::ISODate); // 12:00 UTC
    f.until = QDateTime::fromString(QStringLiteral("2026-12-05T12:00:00Z"), Qt::ISODate);
    EXPECT_EQ(ids(f), "f-3 f-2 f-1");
    f = {};
    f.port = QStringLiteral("com2");
    EXPECT_EQ(ids(f), "f-5 f-4 f-3");
    f.port = QStringLiteral("SIMULATOR");
    EXPECT_EQ(ids(f), "f-5");
    f = {};
    f.file = QStringLiteral("_2%"); // taken literally, not as a pattern
    EXPECT_EQ(ids(f), "f-2");
    f = {};
    f.outcomes = {Kind::Sent};
    EXPECT_EQ(ids(f), "f-5 f-3 f-1");
    f.outcomes = {Kind::Refused};
    EXPECT_EQ(ids(f), "");
}

std::string backendName(const ::testing::TestParamInfo<Backend>& p) {
    return p.param == Backend::SQLite ? "SQLite" : "PostgreSQL";
}
INSTANTIATE_TEST_SUITE_P(Backends, RecordSuite, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         backendName);

TEST(JournalMigration, AnOlderJournalIsBroughtUpToDateAndKeepsItsRecords) {
    QTemporaryDir dir;
    const JournalLocation location = sqliteJournal(dir.path());
    {
        // A journal of the first schema, as a console before this one wrote it.
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("v1"));
        db.setDatabaseName(location.path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (
            const char* sql :
            {"CREATE TABLE journal_meta (key VARCHAR(64) PRIMARY KEY, value TEXT NOT NULL)",
             "INSERT INTO journal_meta VALUES ('schema_version', '1')",
             "CREATE TABLE transfers (id INTEGER PRIMARY KEY AUTOINCREMENT, record_id VARCHAR(40) NOT NULL "
             "UNIQUE, started_ms BIGINT NOT NULL, started_at VARCHAR(40) NOT NULL, ended_at VARCHAR(40) NOT "
             "NULL, duration_ms BIGINT NOT NULL, program TEXT NOT NULL, os_user TEXT NOT NULL, host TEXT NOT "
             "NULL, port TEXT NOT NULL, device TEXT NOT NULL, line_settings TEXT NOT NULL, controller_serial "
             "TEXT NOT NULL, direction VARCHAR(8) NOT NULL, file_type TEXT NOT NULL, file_name TEXT NOT "
             "NULL, "
             "file_path TEXT NOT NULL, bytes BIGINT, lines BIGINT, sha256 VARCHAR(64), outcome VARCHAR(16) "
             "NOT NULL, reason TEXT NOT NULL, error_number INTEGER NOT NULL, error_text TEXT NOT NULL, "
             "last_line INTEGER NOT NULL, resume_line INTEGER NOT NULL)",
             "INSERT INTO transfers (record_id, started_ms, started_at, ended_at, duration_ms, program, "
             "os_user, host, port, device, line_settings, controller_serial, direction, file_type, "
             "file_name, "
             "file_path, bytes, lines, sha256, outcome, reason, error_number, error_text, last_line, "
             "resume_line) VALUES ('old-1', 1765000000000, '2025-12-06T05:46:40.000+00:00', "
             "'2025-12-06T05:46:41.000+00:00', 1000, 'velmorix', 'op', 'pc', 'COM1', '/dev/ttyS0', "
             "'38400,E,7,2', 'SN-0000001', 'send', '0:CNC', 'old.Cnc', '/old.Cnc', 10, 1, NULL, 'sent', '', "
             "0, "
             "'', 0, 0)"})
            ASSERT_TRUE(q.exec(QLatin1String(sql))) << sql;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("v1"));

    JournalStore store(QStringLiteral("migrated"));
    ASSERT_EQ(store.open(location), QString());
    EXPECT_EQ(store.schemaVersion(), 2);
    JournalRecord fresh = record("new-1", "2026-12-09T10:05:00.000+00:00", Kind::Received);
    fresh.compared = QStringLiteral("same as old.Cnc");
    fresh.verifies = QStringLiteral("old-1");
    ASSERT_EQ(store.insert({fresh}), QString());
    const QList<JournalRecord> back = allRecords(location);
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(back[1].recordId, "old-1");
    EXPECT_EQ(back[1].fileName, "old.Cnc");
    EXPECT_EQ(back[1].compared, QString());
    EXPECT_EQ(back[0].compared, "same as old.Cnc");
    EXPECT_EQ(back[0].verifies, "old-1");
}

TEST(JournalWriter, AJournalThatCannotBeWrittenSpoolsTellsOnceAndReplaysWhenItCanAgain) {
    QTemporaryDir dir;
    // The journal's folder is a file: nothing can be written there, whoever runs this.
    const QString folder = QDir(dir.path()).filePath(QStringLiteral("blocked"));
    QFile(folder).open(QIODevice::WriteOnly);
    JournalLocation location = sqliteJournal(folder);
    location.spoolPath = QDir(dir.path()).filePath(QStringLiteral("spool.jsonl"));
    QStringList told;
    {
        SqlJournal journal(location, QStringLiteral("velmorix"));
        journal.setProblemHandler([&](const QString& p) { told << p; });
        JournalRecord a = record("a", "2026-12-09T10:00:00.000+00:00", Kind::Sent);
        a.content = "G90\r\nM30\r\n";
        a.hasContent = true;
        a.textType = true;
        journal.write(a);
        journal.write(record("b", "2026-12-09T10:01:00.000+00:00", Kind::Failed));
        ASSERT_TRUE(journal.flush(10000));
        journal.write(record("c", "2026-12-09T10:02:00.000+00:00", Kind::Sent));
        ASSERT_TRUE(journal.flush(10000));
    }
    ASSERT_EQ(told.size(), 1) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith("journal: cannot write ")) << told[0].toStdString();
    EXPECT_TRUE(told[0].contains("spool.jsonl")) << told[0].toStdString();
    EXPECT_TRUE(JournalSpool(location.spoolPath).waiting());

    // The folder comes back: the next journal's open replays the spool before anything else.
    QFile::remove(folder);
    QDir().mkpath(folder);
    told.clear();
    {
        SqlJournal journal(location, QStringLiteral("velmorix"));
        journal.setProblemHandler([&](const QString& p) { told << p; });
        journal.write(record("d", "2026-12-09T10:03:00.000+00:00", Kind::Sent));
        ASSERT_TRUE(journal.flush(10000));
    }
    EXPECT_TRUE(told.isEmpty());
    EXPECT_FALSE(JournalSpool(location.spoolPath).waiting());
    const QList<JournalRecord> back = allRecords(location);
    QStringList ids;
    for (const JournalRecord& r : back)
        ids << r.recordId;
    EXPECT_EQ(ids.join(' '), "d c b a");
    // Hashed and counted by the writer before it waited in the spool.
    ASSERT_EQ(back.size(), 4);
    EXPECT_EQ(back[3].sha256, sha256Hex("G90\r\nM30\r\n"));
    EXPECT_EQ(back[3].bytes, 10);
    EXPECT_EQ(back[3].lines, 2);
}
