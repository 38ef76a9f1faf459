// The engine's record of the window's transfers: what each moved and how it ended, as the transfer
// itself said it, also where a fault ended it; and a journal that cannot be written, which must never
// stop a transfer.
#include "journal_fixture.h"

#include "core/journal/journal_spool.h"
#include "core/journal/sql_journal.h"
#include "scenario/sim_console_fixture.h"

#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;
using sim::Fault;

namespace {

QByteArray program(int n) {
    QByteArray p = "%\r\nO0042\r\n";
    for (int i = 1; i <= n; ++i)
        p += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i * 3) + " ;move\r\n";
    return p + "M30\r\n%\r\n";
}

class JournalEngine : public SimConsoleTest {
protected:
    void attach(const JournalLocation& l) {
        location = l;
        journal = std::make_unique<SqlJournal>(location, QStringLiteral("velmorix"));
        journal->setProblemHandler([this](const QString& p) {
            ++problems;
            console.noteAside(QStringLiteral("; %1 ;").arg(p));
        });
        console.setJournal(journal.get());
    }
    void SetUp() override {
        attach(sqliteJournal(dir.file(QStringLiteral("journal"))));
        start();
        tick(10);
        console.setTransferObserver([this](const TransferEnd& e) { ends << e; });
        console.ButtonFileSvcClick();
        tick(3);
    }
    void TearDown() override { console.setJournal(nullptr); }

    TransferEnd send(int item, const QString& name, const QByteArray& bytes) {
        ends.clear();
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
        load(item, name, bytes);
        console.ButtonSendOutClick();
        runUntilIdle(60000);
        tick(35);
        return ends.value(0);
    }
    QList<JournalRecord> records() {
        EXPECT_TRUE(journal->flush(10000));
        return allRecords(location);
    }
    // The record holds what the transfer said of its own end.
    static void expectSays(const JournalRecord& r, const TransferEnd& e) {
        EXPECT_EQ(r.outcome, e.kind);
        EXPECT_EQ(r.reason, e.reason);
        EXPECT_EQ(r.errorNumber, e.errorNumber);
        EXPECT_EQ(r.lastLine, e.lastLine);
        EXPECT_EQ(r.resumeLine, e.resumeLine);
        EXPECT_EQ(r.recordId, e.recordId);
    }

    JournalLocation location;
    std::unique_ptr<SqlJournal> journal;
    QList<TransferEnd> ends;
    int problems = 0;
};

} // namespace

TEST_F(JournalEngine, TheWindowsSendAndReceiveAreRecordedWithWhatTheyMoved) {
    const QByteArray p = program(30);
    const TransferEnd sent = send(0, QStringLiteral("P42.Cnc"), p);
    ASSERT_EQ(sent.kind, TransferEnd::Kind::Sent) << sent.reason.toStdString();

    ends.clear();
    console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
    console.ComboBoxRecvFileChange(0);
    console.ButtonRecvInClick();
    runUntilIdle(60000);
    ASSERT_EQ(ends.size(), 1);
    const QByteArray saved = save(QStringLiteral("back.Cnc"));
    ASSERT_FALSE(saved.isEmpty());

    const QList<JournalRecord> rs = records();
    ASSERT_EQ(rs.size(), 2);
    const JournalRecord& s = rs[1];
    EXPECT_EQ(s.program, "velmorix");
    EXPECT_EQ(s.host, SqlJournal::hostName());
    EXPECT_TRUE(s.sending);
    EXPECT_EQ(s.fileType, "0:CNC");
    EXPECT_EQ(s.fileName, "P42.Cnc");
    EXPECT_EQ(s.filePath, QFileInfo(dir.file(QStringLiteral("P42.Cnc"))).absoluteFilePath());
    EXPECT_EQ(s.bytes, p.size());
    EXPECT_EQ(s.lines, 34);
    EXPECT_EQ(s.sha256, sha256Hex(p)); // the file as loaded, comments and all
    EXPECT_EQ(s.port, "COM1");
    EXPECT_EQ(s.device, "simulator");
    EXPECT_EQ(s.lineSettings, "38400,E,7,2");
    EXPECT_EQ(s.controllerSerial, "SN-0142857");
    EXPECT_LE(s.started, s.ended);
    EXPECT_EQ(s.durationMs, s.started.msecsTo(s.ended));
    EXPECT_GT(s.durationMs, 0);
    expectSays(s, sent);

    const JournalRecord& r = rs[0];
    EXPECT_FALSE(r.sending);
    EXPECT_EQ(r.fileType, "0:CNC");
    EXPECT_EQ(r.fileName, "O0042.Cnc");    // as the controller announced it
    EXPECT_EQ(r.sha256, sha256Hex(saved)); // what the save writes
    EXPECT_EQ(r.bytes, saved.size());
    expectSays(r, ends[0]);
}

// A few cells of the fault matrix, each transfer's record against the end it said.
TEST_F(JournalEngine, FaultsEndTransfersAsTheirRecordsSay) {
    const QByteArray p = program(20);
    controller.addFault({Fault::ErrorNumber, nowUs() + 300'000, nowUs() + 60'000'000, -1, 12, true});
    const TransferEnd refused = send(0, QStringLiteral("R.Cnc"), p);
    EXPECT_EQ(refused.kind, TransferEnd::Kind::Refused) << refused.reason.toStdString();
    tick(700);

    controller.addFault({Fault::SilentHandshake, nowUs(), nowUs() + 30'000'000, -1, 0, false});
    const TransferEnd silent = send(11, QStringLiteral("P.999"), QByteArray(64, '\x05'));
    EXPECT_EQ(silent.kind, TransferEnd::Kind::Failed);
    tick(400);

    QByteArray dnc;
    for (int i = 1; i <= 400; ++i)
        dnc += "G01 X" + QByteArray::number(i) + " F500\r\n";
    ends.clear();
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    load(13, QStringLiteral("Long.Cnc"), dnc);
    console.ButtonSendOutClick();
    clock.advance(3000);
    console.ButtonResetClick();
    runUntilIdle(60000);
    tick(10);
    ASSERT_EQ(ends.size(), 1);
    const TransferEnd broken = ends[0];
    EXPECT_EQ(broken.kind, TransferEnd::Kind::BrokenOff) << broken.reason.toStdString();

    const QList<JournalRecord> rs = records();
    ASSERT_EQ(rs.size(), 3);
    expectSays(rs[2], refused);
    EXPECT_EQ(rs[2].errorNumber, 12);
    expectSays(rs[1], silent);
    EXPECT_EQ(rs[1].fileType, "B:999");
    expectSays(rs[0], broken);
    EXPECT_GT(rs[0].lastLine, 0);
    EXPECT_EQ(
        outcomeText(rs[0]),
        QStringLiteral("broken off at line %1, resume from %2").arg(broken.lastLine).arg(broken.resumeLine));
}

TEST_F(JournalEngine, AJournalThatCannotBeWrittenNeverStopsATransferAndIsToldOnce) {
    console.setJournal(nullptr);
    journal.reset();
    const QString blocked = dir.file(QStringLiteral("blocked"));
    dir.write(QStringLiteral("blocked"), "a file where the journal's folder should be");
    JournalLocation l = sqliteJournal(blocked);
    l.spoolPath = dir.file(QStringLiteral("spool.jsonl"));
    attach(l);

    EXPECT_EQ(send(0, QStringLiteral("A.Cnc"), program(5)).kind, TransferEnd::Kind::Sent);
    ASSERT_TRUE(journal->flush(10000));
    EXPECT_TRUE(keyIn().contains(QStringLiteral("; journal: cannot write "))) << keyIn().toStdString();
    EXPECT_EQ(send(0, QStringLiteral("B.Cnc"), program(6)).kind, TransferEnd::Kind::Sent);
    ASSERT_TRUE(journal->flush(10000));
    EXPECT_EQ(problems, 1);
    EXPECT_TRUE(JournalSpool(l.spoolPath).waiting());

    // The folder comes back while the window runs: its next record brings the waiting ones along.
    QFile::remove(blocked);
    QDir().mkpath(blocked);
    EXPECT_EQ(send(0, QStringLiteral("C.Cnc"), program(7)).kind, TransferEnd::Kind::Sent);
    QStringList names;
    for (const JournalRecord& r : records())
        names << r.fileName;
    EXPECT_EQ(names.join(' '), "C.Cnc B.Cnc A.Cnc");
    EXPECT_FALSE(JournalSpool(l.spoolPath).waiting());
    EXPECT_EQ(problems, 1);
}
