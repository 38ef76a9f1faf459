// The wire log: what the recording port keeps over the in-process controller, the ring's limit, the
// names it gives the frames, and the --wire-log file of the console engine.
#include "core/app/console.h"
#include "core/wire/frame_namer.h"
#include "core/wire/recording_port.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"
#include "support/wire_log_rows.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;
using Kind = WireRecorder::Kind;

namespace {

const QByteArray kLinkReset("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03");
const QByteArray
    kMonitor2("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv2\rD12021\rD10991\r%\x14\x03\x03\x03\x03\x03");
// A status frame for one item (10 N + 25 bytes), reply sequence 3.
const QByteArray kStatus1("\x12%\rO9000\rH00000003\rv001d000003>>\r%\x14");

TEST(RecordingPort, RecordsBothDirectionsAndLineChangesInOrderOverTheSimulatedPort) {
    ManualClock clock;
    sim::SimulatedController controller;
    sim::SimulatedPort inner(controller, clock);
    WireRecorder record;
    RecordingPort port(inner, record, clock);
    clock.advance(40); // the link starts later than the clock
    const QDateTime linked = clock.localDateTime();
    ASSERT_TRUE(port.open());
    clock.advance(7);
    port.write(kLinkReset + kMonitor2);
    QByteArray read;
    for (int ms = 0; ms < 400; ms += 10) {
        clock.advance(10);
        read += port.read(100);
    }
    clock.advance(30); // more arrives, and a link reset would throw it away unread
    const qint64 waiting = port.inputCount();
    ASSERT_GT(waiting, 0);
    port.clearBuffer(true, false);
    controller.addFault({.kind = sim::Fault::DropDsr, .fromUs = clock.nowUs()});
    clock.advance(20);
    controller.clearFaults();
    clock.advance(20);

    // What crossed, byte for byte: written as the controller received it, read as the console took it
    // or threw it away.
    EXPECT_EQ(record.bytes(Kind::ToController), controller.log().bytes(Kind::ToController));
    EXPECT_EQ(record.bytes(Kind::ToController), kLinkReset + kMonitor2);
    ASSERT_TRUE(read.contains("\x12%\rO9000\rH"));
    EXPECT_TRUE(record.bytes(Kind::ToConsole).startsWith(read));
    EXPECT_EQ(record.bytes(Kind::ToConsole).size(), read.size() + waiting);
    EXPECT_EQ(record.lineChanges(), (QStringList{"CTS on", "DSR on", "DSR off", "DSR on"}));

    const QList<WireRecorder::Entry> entries = record.entries();
    ASSERT_GE(entries.size(), 6);
    // The link's wall-clock time with its UTC offset heads the times counted from it.
    const QString open = QStringLiteral("open simulator 38400,E,7,2 at ");
    ASSERT_TRUE(entries[0].line.startsWith(open)) << qPrintable(entries[0].line);
    const QDateTime said = QDateTime::fromString(entries[0].line.mid(open.size()), Qt::ISODateWithMs);
    ASSERT_TRUE(said.isValid()) << qPrintable(entries[0].line);
    EXPECT_EQ(said.toMSecsSinceEpoch(), linked.toMSecsSinceEpoch());
    EXPECT_EQ(said.offsetFromUtc(), linked.offsetFromUtc());
    EXPECT_EQ(entries[3].kind, Kind::ToController);
    EXPECT_EQ(entries[3].atUs, 7000); // counted from the link
    EXPECT_EQ(entries[4].kind, Kind::ToConsole);
    qsizetype dsrOff = -1;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(entries[i].atUs, entries[i - 1].atUs) << i;
        }
        if (entries[i].line == "DSR off")
            dsrOff = i;
    }
    EXPECT_GT(dsrOff, 4);
}

TEST(RecordingPort, WallClockTimesCarryTheirOffsetFromUtc) {
    const QDate day(2024, 3, 9);
    EXPECT_EQ(wallClockText(QDateTime(day, QTime(7, 5, 0, 123), Qt::OffsetFromUTC, 19800)),
              "2024-03-09T07:05:00.123+05:30");
    EXPECT_EQ(wallClockText(QDateTime(day, QTime(23, 59, 59, 9), Qt::OffsetFromUTC, -12600)),
              "2024-03-09T23:59:59.009-03:30");
    EXPECT_EQ(wallClockText(QDateTime(day, QTime(0, 0), Qt::UTC)), "2024-03-09T00:00:00.000+00:00");
}

TEST(WireRecorder, TheRingDropsTheOldestBytesFirst) {
    WireRecorder record(100);
    record.add(Kind::ToController, QByteArray(60, 'a'), 1);
    record.add(Kind::ToConsole, QByteArray(30, 'b'), 2);
    record.addLine("DSR off", 3); // 7 characters count too
    record.add(Kind::ToController, "0123456789", 4);
    EXPECT_EQ(record.size(), 100);
    EXPECT_EQ(record.bytes(Kind::ToController), QByteArray(53, 'a') + "0123456789");
    EXPECT_EQ(record.bytes(Kind::ToConsole), QByteArray(30, 'b'));

    record.add(Kind::ToConsole, "xyz", 5);
    record.add(Kind::ToConsole, "XYZ", 6); // joins the entry before
    EXPECT_EQ(record.end() - record.begin(), 5);
    EXPECT_EQ(record.at(record.end() - 1).bytes, "xyzXYZ");

    QByteArray big;
    for (int i = 0; i < 250; ++i)
        big += char('A' + i % 26);
    record.add(Kind::ToController, big, 7);
    EXPECT_EQ(record.bytes(Kind::ToController), big.right(100));
    EXPECT_EQ(record.bytes(Kind::ToConsole), QByteArray());
    EXPECT_EQ(record.lineChanges(), QStringList());
    EXPECT_EQ(record.end() - record.begin(), 1);
}

QStringList names(const QList<WirePiece>& pieces) {
    QStringList out;
    for (const WirePiece& p : pieces)
        out << (p.name.isEmpty() ? QStringLiteral("?") + QString::fromLatin1(p.bytes.toHex(' ')) : p.name);
    return out;
}

TEST(FrameNamer, NamesEveryFrameKindAndLeavesUnknownBytes) {
    FrameNamer namer;
    const QByteArray fromConsole = kLinkReset + kMonitor2 + "\x12%\rO9012\rN10037\rD????????\r%\x14" +
                                   "\x12%\rO9012(A.Plc)\rN10768\rd00000005\r%\x14" +
                                   "\x12%\rO9000\rN000011\rG01X10Y5\r%\x14" + "\x14\t\t\t\t" + "%\x14" +
                                   QByteArray("\xff\x00", 2) + "\x12%\rO9003\rG1 X1\r%\x14";
    const QList<WirePiece> sent = namer.name(Kind::ToController, fromConsole);
    EXPECT_EQ(names(sent),
              (QStringList{"link reset", "monitor request seq 1, 2 variables", "value write 10037=-1",
                           "named value write A.Plc 10768=5", "MDI G01X10Y5", "reset signal", "abort mark",
                           "?ff 00", "file body, 17 bytes"}));
    EXPECT_EQ(sent[0].bytes, kLinkReset);

    const QByteArray fromController = QByteArray("\x13") + kStatus1 + "\x14@READ(A.Plc)" +
                                      "\x14@WRITE(O1234)" + "\x12%\rO1234\rG0\r%\x14" + "\x11" + "zz";
    EXPECT_EQ(names(namer.name(Kind::ToConsole, fromController)),
              (QStringList{"XOFF", "status frame seq 3, N=1", "@READ(A.Plc)", "@WRITE(O1234)",
                           "file body, 14 bytes", "XON", "?7a 7a"}));
    // The next request is answered with the sequence after the last frame's.
    EXPECT_EQ(names(namer.name(Kind::ToController, kMonitor2)),
              QStringList{"monitor request seq 4, 2 variables"});

    // A frame cut by the end of an entry is named whole with the next one; until then it is held.
    EXPECT_EQ(names(namer.name(Kind::ToConsole, "\x11" + kStatus1.left(20))), QStringList{"XON"});
    EXPECT_EQ(names(namer.pending(Kind::ToConsole)),
              QStringList{"?" + QString(kStatus1.left(20).toHex(' '))});
    const QList<WirePiece> joined = namer.name(Kind::ToConsole, kStatus1.mid(20) + "\x14@RE");
    EXPECT_EQ(names(joined), QStringList{"status frame seq 3, N=1"});
    EXPECT_EQ(joined[0].bytes, kStatus1);
    EXPECT_EQ(names(namer.name(Kind::ToConsole, "AD(P.1)")), QStringList{"@READ(P.1)"});
    // A body longer than any frame goes on into the next entries and is named where it ends, with its
    // whole length.
    EXPECT_EQ(names(namer.name(Kind::ToConsole, "\x12" + QByteArray(600, 'x'))),
              QStringList{"file body begins"});
    EXPECT_EQ(names(namer.name(Kind::ToConsole, QByteArray(100, 'y'))),
              QStringList{"file body goes on, 701 bytes so far"});
    EXPECT_EQ(names(namer.name(Kind::ToConsole, "abc\x14\x13")),
              (QStringList{"end of file body, 705 bytes", "XOFF"}));

    // A body the reset signal breaks off: its DC4 is the signal's, not the end of the body.
    EXPECT_TRUE(namer.name(Kind::ToController, "\x12G01 X1\r").isEmpty()); // held: it may be a request
    EXPECT_TRUE(namer.name(Kind::ToController, "G02\r").isEmpty());
    EXPECT_EQ(names(namer.name(Kind::ToController, "\x14\t\t\t\t" + kMonitor2)),
              (QStringList{"file body broken off, 12 bytes", "reset signal",
                           "monitor request seq 4, 2 variables"}));
    EXPECT_EQ(names(namer.name(Kind::ToController, "\x12" + QByteArray(600, 'x'))),
              QStringList{"file body begins"});
    EXPECT_EQ(names(namer.name(Kind::ToController, "\x14\t\t\t\t")),
              QStringList{"reset signal, file body broken off after 601 bytes"});
}

TEST(WireLogFile, TheConsolesWireLogOptionWritesWhatCrossedThePort) {
    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    const QString path = QDir(dir.path()).filePath("wire.log");
    {
        Console console(
            clock, prompts,
            [&](const QString&) { return std::make_unique<sim::SimulatedPort>(controller, clock); },
            dir.path());
        console.FormCreate({{"--wire-log", path, "--simulator", "142720", "GO"}, 24});
        clock.advance(1000);
        // Written as it goes, not only at the end.
        QFile partial(path);
        ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
        EXPECT_TRUE(partial.readAll().contains(">>>  02 02 02 02 02 14 12 25"));
        clock.advance(500);
        // A relink counts its times from 0 again, under its own wall-clock time.
        console.LabelBackClick();
        clock.advance(250);
        console.LinktoCNCButtonClick();
        clock.advance(300);
        console.FormDestroy();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith("        0.000 ms  ---  open simulator 38400,E,7,2 at "))
        << qPrintable(text.left(200));
    static const QRegularExpression opened(
        QStringLiteral("^        0\\.000 ms  ---  open simulator 38400,E,7,2 at (\\S+)$"),
        QRegularExpression::MultilineOption);
    QList<QDateTime> links;
    for (auto it = opened.globalMatch(text); it.hasNext();)
        links << QDateTime::fromString(it.next().captured(1), Qt::ISODateWithMs);
    ASSERT_EQ(links.size(), 2) << qPrintable(text.left(400));
    EXPECT_EQ(links[0].msecsTo(links[1]), 1750);
    const QByteArray arrived = controller.log().bytes(Kind::ToController);
    ASSERT_GT(arrived.size(), 200);
    EXPECT_EQ(loggedBytes(text.toUtf8(), ">>>").left(arrived.size()), arrived);
    const QByteArray read = loggedBytes(text.toUtf8(), "<<<");
    ASSERT_GT(read.size(), 200);
    EXPECT_EQ(controller.log().bytes(Kind::ToConsole).left(read.size()), read);
    EXPECT_TRUE(text.contains("---  DSR off")) << "closing is recorded";
}

TEST(WireLogFile, AFileThatCannotBeWrittenIsSaidAndTheLinkGoesOn) {
    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    Console console(
        clock, prompts,
        [&](const QString&) { return std::make_unique<sim::SimulatedPort>(controller, clock); }, dir.path());
    console.FormCreate(
        {{"--wire-log", dir.path() + "/no/such/dir/wire.log", "--simulator", "142720", "GO"}, 24});
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(
        prompts.messages[0].startsWith("Wire log: cannot write " + dir.path() + "/no/such/dir/wire.log"))
        << qPrintable(prompts.messages[0]);
    clock.advance(300);
    EXPECT_TRUE(console.state().line.LinkUp);
}

} // namespace
