#include "sim/codec.h"
#include "sim_fixture.h"

namespace velmorix::sim::test {
namespace {

// 115200 baud, 8N1: 11520 bytes a second, the fastest line the console drives.
PortSettings fastLine() {
    PortSettings s;
    s.baudRate = 115200;
    s.parity = Parity::None;
    s.dataBits = 8;
    s.stopBits = 1;
    return s;
}

class ReceiveBufferTest : public SimFixture {
protected:
    ReceiveBufferTest() : SimFixture(options()) {
        PortSettings s = fastLine();
        s.hardwareFlow = false; // the console ignores CTS as well as XOFF: only the buffer stands
        port.setSettings(s);
    }
    static ControllerOptions options() {
        ControllerOptions o;
        o.line = fastLine();
        o.inputBytesPerSecond = 4000;
        return o;
    }
};

TEST_F(ReceiveBufferTest, BodyFasterThanItIsTakenInGetsXoffOverrunsWhenFullAndXonAtTheLowMark) {
    port.open();
    port.write(announce("A1.Cnc", "000003>9")); // 1001
    clock.advance(20);
    ASSERT_EQ(readAll(), QByteArray("\x14@READ(A1.Cnc)"));
    // 8403 bytes of program arrive at 11520 a second; the controller takes in 4000.
    QByteArray content = "%\r";
    for (int i = 0; i < 600; ++i)
        content += "G01X" + QByteArray::number(1000 + i) + "Y-2.5\r";
    content += "%";
    port.write("\x12" + content.chopped(1));
    QByteArray got;
    qint64 atXoff = -1;
    qint64 atXon = -1;
    qint64 highest = 0;
    for (int ms = 0; ms < 2000 && atXon < 0; ++ms) {
        clock.advance(1);
        got += readAll();
        highest = std::max(highest, controller.bufferLevel());
        if (atXoff < 0 && got.contains(kXoff))
            atXoff = controller.bufferLevel();
        if (atXon < 0 && got.contains(kXon))
            atXon = controller.bufferLevel();
    }
    EXPECT_EQ(got, QByteArray("\x13\x11"));
    // Each seen up to a millisecond after it was sent: meanwhile the buffer grows by 7.5 bytes a
    // millisecond while the program comes, and shrinks by 4 once it has stopped.
    EXPECT_GE(atXoff, 2048);
    EXPECT_LE(atXoff, 2048 + 9);
    EXPECT_EQ(highest, 4096);
    EXPECT_LE(atXon, 512);
    EXPECT_GE(atXon, 512 - 5);

    // The rest after the XON: the file ends, every byte of it either taken in or counted as an overrun.
    port.write("%\x14");
    clock.advance(200);
    ASSERT_EQ(controller.transfers().size(), 1);
    const TransferRecord& t = controller.transfers()[0];
    EXPECT_EQ(t.outcome, TransferRecord::Outcome::Stored);
    const int lost = controller.overruns();
    EXPECT_GT(lost, 1000);
    EXPECT_EQ(t.size + lost, content.size());
    QStringList notes = controller.log().notes();
    ASSERT_EQ(notes.takeFirst(), "ready for 1001 A1.Cnc");
    ASSERT_EQ(notes.size(), lost + 3) << qPrintable(notes.join('\n'));
    EXPECT_EQ(notes[0], "XOFF: 2048 bytes in the buffer");
    EXPECT_TRUE(notes[1].startsWith("overrun: byte ")) << qPrintable(notes[1]);
    EXPECT_TRUE(notes[1].endsWith(" dropped, the 4096-byte buffer is full (1 so far)"))
        << qPrintable(notes[1]);
    EXPECT_EQ(notes[lost + 1], "XON: 512 bytes in the buffer");
    EXPECT_TRUE(notes[lost + 2].startsWith(QStringLiteral("stored 1001 A1.Cnc: %1 bytes, sum ").arg(t.size)));
    EXPECT_TRUE(notes[lost + 2].endsWith(QStringLiteral("; %1 overruns").arg(lost)))
        << qPrintable(notes.last());
    EXPECT_TRUE(controller.log().format().contains(" ms  ---  overrun: byte "));
}

struct DncRun {
    QList<QByteArray> executed;
    int overruns = 0;
    int xoffs = 0;
    qint64 highest = 0;
    QString lastNote;
};

// Feeds a program as the console does: a line into its empty output queue on each 1 ms tick. The
// console reads the controller's XOFF and XON on its 100 ms poll tick; here each takes the worst of
// that and is acted on 100 ms after it arrived. Or the sender ignores them.
DncRun feedProgram(const QList<QByteArray>& lines, bool honourXoff) {
    velmorix::test::ManualClock clock;
    ControllerOptions o;
    o.line = fastLine();
    o.dncLineMs = 10;
    SimulatedController controller(o);
    SimulatedPort port(controller, clock);
    port.setSettings(fastLine());
    port.open();
    port.write(announce("D.Cnc", "000003>>")); // 1006
    QList<QByteArray> chunks;
    for (const QByteArray& line : lines)
        chunks << (chunks.isEmpty() ? "\x12" : "") + line + "\r";
    chunks << "\x14";
    DncRun run;
    QList<QPair<int, bool>> noticed; // when the sender acts on a flow byte, and whether it then stops
    bool stopped = false;
    qsizetype next = 0;
    for (int ms = 1; ms < 30000 && (next < chunks.size() || controller.dnc().waitingLines() > 0); ++ms) {
        clock.advance(1);
        for (const char c : port.read(1 << 20)) {
            if (c == kXoff || c == kXon)
                noticed << qMakePair(ms + 100, c == kXoff);
            run.xoffs += c == kXoff;
        }
        while (!noticed.isEmpty() && noticed.first().first <= ms)
            stopped = noticed.takeFirst().second;
        run.highest = std::max(run.highest, controller.bufferLevel());
        if (next < chunks.size() && port.outputCount() == 0 && !(honourXoff && stopped))
            port.write(chunks[next++]);
    }
    clock.advance(20);
    run.executed = controller.dnc().executed();
    run.overruns = controller.overruns();
    run.lastNote = controller.log().notes().value(controller.log().notes().size() - 1);
    return run;
}

TEST(ReceiveBuffer, DncSenderThatHonoursXoffWithinAPollTickLosesNothingOneThatIgnoresItOverruns) {
    // 1500 lines of up to 15 bytes for a controller that runs one in 10 ms: they arrive at about 7.5
    // bytes a millisecond and leave at 1.5.
    QList<QByteArray> lines;
    for (int i = 1; i <= 1500; ++i)
        lines << "N" + QByteArray::number(i).rightJustified(4, '0') + " G92X" + QByteArray::number(i);

    const DncRun honoured = feedProgram(lines, true);
    EXPECT_GE(honoured.xoffs, 3);            // the buffer was filled to the mark again and again
    EXPECT_GT(honoured.highest, 2048 + 500); // and a whole poll tick's lines went on after each XOFF
    EXPECT_LT(honoured.highest, 4096);
    EXPECT_EQ(honoured.overruns, 0);
    EXPECT_EQ(honoured.executed, lines);
    EXPECT_EQ(honoured.lastNote, "stored 1006 D.Cnc: 1500 lines; 0 overruns");

    const DncRun ignored = feedProgram(lines, false);
    EXPECT_EQ(ignored.highest, 4096);
    EXPECT_GT(ignored.overruns, 0);
    EXPECT_NE(ignored.executed, lines);
}

} // namespace
} // namespace velmorix::sim::test
