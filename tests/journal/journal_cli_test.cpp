// velmorix-cli and the journal: several programs writing one SQLite journal at once, a journal the
// user may not write, history on the command line, and receive --compare and send --verify.
#include "journal_fixture.h"

#include "core/journal/journal_spool.h"
#include "core/journal/sql_journal.h"
#include "scenario/sim_console_fixture.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmorix;
using namespace velmorix::test;

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QByteArray program(const QByteArray& name, int lines) {
    QByteArray p = "%\r\n" + name + "\r\n";
    for (int i = 1; i <= lines; ++i)
        p += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i * 7 % 300) + "\r\n";
    return p + "M30\r\n%\r\n";
}

class JournalCli : public SimConsoleTest {
protected:
    JournalCli() {
        QDir().mkpath(dataDir());
        db = dir.file(QStringLiteral("journal.sqlite3"));
    }
    QString dataDir() const { return dir.file(QStringLiteral("data")); }
    // velmorix-cli as the user `as` (empty: as this process), its spool in the test's data folder.
    std::unique_ptr<QProcess> startCli(const QStringList& args, const QString& as = {}) const {
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataDir());
        p->setProcessEnvironment(env);
        if (as.isEmpty())
            p->start(QStringLiteral(VELMORIX_CLI_PATH), args);
        else
            p->start(QStringLiteral("runuser"),
                     QStringList{"-u", as, "--", QStringLiteral(VELMORIX_CLI_PATH)} + args);
        return p;
    }
    CliRun cli(const QStringList& args, const QString& as = {}) const {
        auto p = startCli(args, as);
        CliRun r;
        if (!p->waitForFinished(60000)) {
            p->kill();
            p->waitForFinished();
            return r;
        }
        r.status = p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
        r.out = p->readAllStandardOutput();
        r.err = p->readAllStandardError();
        return r;
    }
    JournalLocation location() const {
        QString error;
        JournalLocation l = *JournalLocation::parse(db, &error);
        l.spoolPath = QDir(dataDir()).filePath(QStringLiteral("spool.jsonl")); // not the CLI's: unused here
        return l;
    }

    QString db;
};

} // namespace

TEST_F(JournalCli, TheWindowAndThreeCliProcessesWritingAtOnceLoseNoRecord) {
    SqlJournal journal(location(), QStringLiteral("velmorix"));
    console.setJournal(&journal);
    start();
    tick(10);
    console.ButtonFileSvcClick();
    tick(3);
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);

    constexpr int kLanes = 3;
    constexpr int kRuns = 2;
    QMap<QString, QByteArray> files;
    std::vector<std::unique_ptr<QProcess>> lanes(kLanes);
    int runs[kLanes] = {};
    const auto next = [&](int lane) {
        const QString name = QStringLiteral("lane%1_%2.Cnc").arg(lane).arg(runs[lane]++);
        files[name] = program("O" + QByteArray::number(7000 + lane * 10 + runs[lane]), 20 + lane * 5);
        dir.write(name, files[name]);
        lanes[size_t(lane)] =
            startCli({"send", "--port", "simulator", "--quiet", "--journal", db, "--type", "0:CNC", name});
    };
    for (int lane = 0; lane < kLanes; ++lane)
        next(lane);
    // The window sends while the processes run, one program after another.
    int windowSends = 0;
    for (bool running = true; running && windowSends < 400;) {
        const QString name = QStringLiteral("window_%1.Cnc").arg(windowSends);
        files[name] = program("O" + QByteArray::number(100 + windowSends), 5 + windowSends % 30);
        load(0, name, files[name]);
        console.ButtonSendOutClick();
        runUntilIdle(60000);
        tick(35);
        ++windowSends;
        running = false;
        for (int lane = 0; lane < kLanes; ++lane) {
            QProcess& p = *lanes[size_t(lane)];
            // The next window send waits for a process's news, a few at a time.
            if (!p.waitForFinished(running ? 0 : 50) && p.state() != QProcess::NotRunning) {
                running = true;
                continue;
            }
            const QByteArray said = p.readAllStandardError();
            ASSERT_EQ(p.exitCode(), 0) << said.toStdString();
            EXPECT_FALSE(said.contains("journal:")) << said.toStdString(); // no record had to wait
            if (runs[lane] < kRuns) {
                next(lane);
                running = true;
            }
        }
    }
    ASSERT_TRUE(journal.flush(20000));
    console.setJournal(nullptr);

    const QList<JournalRecord> rs = allRecords(location());
    int cli = 0;
    int window = 0;
    for (const JournalRecord& r : rs) {
        (r.program == QLatin1String("velmorix-cli") ? cli : window) += 1;
        ASSERT_TRUE(files.contains(r.fileName)) << r.fileName.toStdString();
        EXPECT_EQ(r.sha256, sha256Hex(files[r.fileName])) << r.fileName.toStdString();
        EXPECT_EQ(r.outcome, TransferEnd::Kind::Sent)
            << r.fileName.toStdString() << " " << r.reason.toStdString();
    }
    EXPECT_EQ(cli, kLanes * kRuns);
    EXPECT_EQ(window, windowSends);
    EXPECT_EQ(rs.size(), files.size());
}

TEST_F(JournalCli, AJournalTheUserMayNotWriteLetsTheSendCompleteTellsOnceAndIsReplayedLater) {
    QString user;
    if (geteuid() == 0) {
        // Root writes any file: the CLI runs as nobody, for whom the journal is read-only.
        const passwd* pw = getpwnam("nobody");
        if (!pw || cli({"--version"}, QStringLiteral("nobody")).status != 0)
            GTEST_SKIP() << "velmorix-cli cannot be run as nobody here";
        user = QStringLiteral("nobody");
        for (const QString& d : {dir.path(), dataDir()})
            ASSERT_EQ(chown(d.toLocal8Bit().constData(), pw->pw_uid, pw->pw_gid), 0);
    }
    const QString jdir = dir.file(QStringLiteral("shared"));
    QDir().mkpath(jdir);
    db = QDir(jdir).filePath(QStringLiteral("journal.sqlite3"));
    {
        JournalStore store(QStringLiteral("make"));
        ASSERT_EQ(store.open(location()), QString());
    }
    for (const QString& f : QDir(jdir).entryList(QDir::Files))
        chmod(QDir(jdir).filePath(f).toLocal8Bit().constData(), 0444);
    chmod(jdir.toLocal8Bit().constData(), 0555);
    dir.write(QStringLiteral("p.Cnc"), program("O0042", 10));

    const CliRun sent =
        cli({"send", "--port", "simulator", "--quiet", "--journal", db, "--type", "0:CNC", "p.Cnc"}, user);
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, "sent p.Cnc as 0:CNC\n");
    const QList<QByteArray> said = sent.err.trimmed().split('\n');
    ASSERT_EQ(said.size(), 1) << sent.err.toStdString();
    EXPECT_TRUE(said[0].startsWith("journal: cannot write " + db.toUtf8())) << sent.err.toStdString();
    EXPECT_TRUE(allRecords(location()).isEmpty());

    // The journal can be written again: the next command that opens it replays what waited.
    chmod(jdir.toLocal8Bit().constData(), 0777);
    for (const QString& f : QDir(jdir).entryList(QDir::Files))
        chmod(QDir(jdir).filePath(f).toLocal8Bit().constData(), 0666);
    const CliRun history = cli({"history", "--journal", db, "--format", "csv"}, user);
    EXPECT_EQ(history.status, 0) << history.err.toStdString();
    EXPECT_TRUE(history.out.contains(",p.Cnc,")) << history.out.toStdString();
    const QList<JournalRecord> rs = allRecords(location());
    ASSERT_EQ(rs.size(), 1);
    EXPECT_EQ(rs[0].sha256, sha256Hex(program("O0042", 10)));
    for (const QFileInfo& spool :
         QDir(QDir(dataDir()).filePath("Velmorix")).entryInfoList({"journal-spool-*.jsonl"}))
        EXPECT_EQ(spool.size(), 0) << spool.filePath().toStdString();
}

TEST_F(JournalCli, HistoryFiltersAndFormats) {
    {
        JournalStore store(QStringLiteral("fill"));
        ASSERT_EQ(store.open(location()), QString());
        QList<JournalRecord> rs;
        for (int i = 0; i < 4; ++i) {
            JournalRecord r = record(QStringLiteral("h-%1").arg(i),
                                     QStringLiteral("2026-12-0%1T08:00:00.000+01:00").arg(i + 1),
                                     i == 3 ? TransferEnd::Kind::Refused : TransferEnd::Kind::Sent);
            r.port = i % 2 ? QStringLiteral("COM2") : QStringLiteral("COM1");
            r.fileName = QStringLiteral("p%1, \"new\".Cnc").arg(i);
            r.errorNumber = i == 3 ? 31 : 0;
            rs << r;
        }
        ASSERT_EQ(store.insert(rs), QString());
    }
    const CliRun csv = cli({"history", "--journal", db, "--port", "com2", "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err.toStdString();
    const QList<QByteArray> rows = csv.out.split('\n');
    ASSERT_EQ(rows.size(), 4); // header, two records, the empty rest
    EXPECT_TRUE(rows[0].startsWith("started_at,ended_at,"));
    EXPECT_TRUE(rows[1].startsWith("2026-12-04T08:00:00.000+01:00,"));
    EXPECT_TRUE(rows[1].contains(",\"p3, \"\"new\"\".Cnc\",")) << rows[1].toStdString();
    EXPECT_TRUE(rows[2].startsWith("2026-12-02T08:00:00.000+01:00,"));

    const CliRun json = cli({"history", "--journal", db, "--outcome", "refused,failed", "--format", "json"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonArray a = QJsonDocument::fromJson(json.out).array();
    ASSERT_EQ(a.size(), 1);
    EXPECT_EQ(a[0].toObject().value("outcome_text").toString(), "refused: error 31");

    const CliRun text =
        cli({"history", "--journal", db, "--since", "2026-12-02", "--until", "2026-12-02", "--limit", "5"});
    ASSERT_EQ(text.status, 0);
    EXPECT_EQ(text.out.count('\n'), 1) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains("p1, \"new\".Cnc"));

    EXPECT_EQ(cli({"history", "--journal", db, "--since", "last tuesday"}).status, 2);
    EXPECT_EQ(cli({"history", "--journal", db, "--outcome", "lost"}).status, 2);
    EXPECT_EQ(cli({"history", "--journal", "mysql://db/x"}).status, 2);
}

TEST_F(JournalCli, ReceiveCompareAndSendVerify) {
    // What the built-in controller holds as its current program when it starts.
    const QByteArray served = "%\nO0001\nG90\nG00 X0 Y0\nG01 X50. F300\nG01 Y25.\nM30\n%\n";
    dir.write(QStringLiteral("same.Cnc"), QByteArray(served).replace("\n", "\r\n"));
    dir.write(QStringLiteral("diff.Cnc"), QByteArray(served).replace("G00 X0 Y0", "G00 X0 Y1"));
    const QStringList receive{"receive",   "--port", "simulator", "--quiet",
                              "--journal", db,       "--type",    "0:CNC"};
    const CliRun same = cli(receive + QStringList{"--compare", "same.Cnc"});
    EXPECT_EQ(same.status, 0) << same.err.toStdString() << same.out.toStdString();
    EXPECT_EQ(same.out, "");
    const CliRun differs = cli(receive + QStringList{"--compare", "diff.Cnc"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_EQ(differs.out, "received diff.Cnc differ: line 4\n");
    const CliRun diff = cli(receive + QStringList{"--compare", "diff.Cnc", "--diff"});
    EXPECT_EQ(diff.status, 1);
    EXPECT_TRUE(diff.out.startsWith("--- received\n+++ diff.Cnc\n@@ -1,7 +1,7 @@\n"))
        << diff.out.toStdString();
    EXPECT_TRUE(diff.out.contains("\n-G00 X0 Y0\n+G00 X0 Y1\n")) << diff.out.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList({"O0001*"}).isEmpty()); // --compare saves nothing

    // A hex type compares bytes: the built-in controller's S:999 holds 32 bytes 0, 5, 10, ...
    QByteArray parameters;
    for (int i = 0; i < 32; ++i)
        parameters += char(i * 5);
    dir.write(QStringLiteral("par.999"), parameters);
    const QStringList hex{"receive", "--port", "simulator", "--quiet", "--journal", db, "--type", "S:999"};
    EXPECT_EQ(cli(hex + QStringList{"--compare", "par.999"}).status, 0);
    parameters[20] = 'x';
    dir.write(QStringLiteral("par.999"), parameters);
    const CliRun hexDiffers = cli(hex + QStringList{"--compare", "par.999"});
    EXPECT_EQ(hexDiffers.status, 1);
    EXPECT_EQ(hexDiffers.out, "received par.999 differ: byte 21\n");
    EXPECT_EQ(cli(hex + QStringList{"--compare", "par.999", "--diff"}).status, 2);

    // send --verify takes the program back and records what it found against the send's record.
    dir.write(QStringLiteral("p.Cnc"), "%\r\nO0042\r\nN1 G01 X3 ;first move\r\n\tN2 G01 X6\r\nM30\r\n%\r\n");
    const CliRun verified = cli(
        {"send", "--port", "simulator", "--quiet", "--journal", db, "--type", "0:CNC", "--verify", "p.Cnc"});
    EXPECT_EQ(verified.status, 0) << verified.err.toStdString();
    EXPECT_EQ(verified.out, "sent p.Cnc as 0:CNC\nverified: the controller's file is the same as p.Cnc\n");
    EXPECT_EQ(
        cli({"send", "--port", "simulator", "--journal", db, "--type", "9:VAR", "--verify", "p.Cnc"}).status,
        2);

    const QList<JournalRecord> rs = allRecords(location());
    ASSERT_GE(rs.size(), 2);
    EXPECT_TRUE(rs[1].sending);
    EXPECT_FALSE(rs[0].sending);
    EXPECT_EQ(rs[0].verifies, rs[1].recordId);
    EXPECT_EQ(rs[0].compared, "same as p.Cnc");
    EXPECT_EQ(rs[0].fileName, "O0042.Cnc");
}
