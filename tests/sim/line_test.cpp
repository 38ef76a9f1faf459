#include "sim/builtin_port.h"
#include "sim_fixture.h"

namespace velmorix::sim::test {
namespace {

class LineTest : public SimFixture {};

TEST_F(LineTest, BytesTakeTheirBitsAtTheBaudRate) {
    port.open();
    port.write(kLinkReset);
    // 7E2: 11 bits a character, 286.458 us at 38400 baud; 25 bytes end at 7161.458 us.
    EXPECT_EQ(port.outputCount(), 25);
    clock.advanceUs(2864); // byte 10 ends at 2864.58 us
    EXPECT_EQ(port.outputCount(), 16);
    clock.advanceUs(1);
    EXPECT_EQ(port.outputCount(), 15);
    clock.advanceUs(7161 - 2865);
    EXPECT_EQ(port.outputCount(), 1);
    clock.advanceUs(1);
    EXPECT_EQ(port.outputCount(), 0);
    EXPECT_EQ(sent(), kLinkReset);
    EXPECT_EQ(controller.linkResets(), 1);
}

TEST(LineTiming, FirstFrameEndsOneFrameTimeAfterTheRequestArrivesAtEachRate) {
    // 66 bytes to the controller: the request's DC4 is byte 61, at ceil(61 * 11e6 / 38400) = 17474 us.
    // The 45-byte frame then takes 12890.6 us and is complete at 30365 us; at 9600 baud the same 106
    // bytes end at 121458.3 us.
    const std::pair<qint32, qint64> cases[] = {{38400, 30365}, {9600, 121459}};
    for (const auto& [baud, completeUs] : cases) {
        SCOPED_TRACE(baud);
        velmorix::test::ManualClock clock;
        PortSettings s;
        s.baudRate = baud;
        ControllerOptions o;
        o.line = s;
        SimulatedController controller(o);
        SimulatedPort p(controller, clock);
        p.setSettings(s);
        p.open();
        p.write(kLinkReset + kMonitorXY);
        clock.advanceUs(completeUs - 1);
        EXPECT_EQ(p.inputCount(), 44);
        clock.advanceUs(1);
        EXPECT_EQ(p.inputCount(), 45);
    }
}

TEST_F(LineTest, MismatchedSettingsGarbleBothWays) {
    PortSettings wrong;
    wrong.baudRate = 19200;
    port.setSettings(wrong);
    openAndLink();
    clock.advance(100);
    // The controller read no request; what it read is no block and no reset.
    EXPECT_NE(sent(), kLinkReset + kMonitorXY);
    EXPECT_EQ(sent().size(), kLinkReset.size() + kMonitorXY.size());
    EXPECT_EQ(controller.linkResets(), 0);
    EXPECT_FALSE(controller.stream().streaming());
    EXPECT_EQ(port.inputCount(), 0);

    // Matched: it streams; then the console changes its parity and reads garbage in place of frames.
    PortSettings right;
    port.setSettings(right);
    port.write(kLinkReset + kMonitorXY);
    clock.advance(100);
    EXPECT_TRUE(readAll().contains(QByteArray("\x12%\rO9000\rH00000001\rv002") + kXY + "%\x14"));
    right.parity = Parity::Odd;
    port.setSettings(right);
    clock.advance(100);
    const QByteArray garbage = readAll();
    EXPECT_GT(garbage.size(), 300);
    EXPECT_FALSE(garbage.contains("O9000"));
    EXPECT_FALSE(garbage.contains('\x12'));
}

TEST_F(LineTest, UnpoweredControllerGivesNoDsrAndNoAnswer) {
    controller.setPowered(false);
    openAndLink();
    clock.advance(100);
    EXPECT_FALSE(port.dsr());
    EXPECT_EQ(dsrEvents, (QList<QPair<qint64, bool>>{{0, false}}));
    EXPECT_EQ(port.inputCount(), 0);
    controller.setPowered(true);
    clock.advance(1);
    EXPECT_EQ(dsrEvents.last(), qMakePair(qint64(101000), true));
}

TEST_F(LineTest, DropDsrFaultIsReportedAtItsTimes) {
    controller.addFault(FaultSpec{Fault::DropDsr, 40'000, 90'000, -1, 0, false});
    openAndLink();
    clock.advance(200);
    EXPECT_EQ(dsrEvents, (QList<QPair<qint64, bool>>{{0, true}, {40'000, false}, {90'000, true}}));
    EXPECT_EQ(controller.log().lineChanges(), (QStringList{"DSR on", "CTS on", "DSR off", "DSR on"}));
}

TEST_F(LineTest, FullInputBufferDropsCtsAndHoldsTheConsolesOutput) {
    ControllerOptions o;
    o.inputBytesPerSecond = 1000; // one byte a millisecond, slower than the line
    o.inputHighMark = 8;
    o.inputLowMark = 2;
    SimulatedController busy(o);
    SimulatedPort p(busy, clock);
    QList<QPair<qint64, bool>> cts;
    p.setCtsHandler([&](bool on) { cts << qMakePair(clock.nowUs(), on); });
    p.open();
    p.write(QByteArray(40, 'x'));
    clock.advance(60);
    // It takes a byte at 1, 2, 3 ... ms; byte 12 arrives at 3437.5 us with 9 waiting: CTS off, and
    // the console's next byte waits. At 10 ms it is down to 2 waiting: CTS on. Both are reported on
    // the line timer's next millisecond.
    ASSERT_GE(cts.size(), 3); // and so on while the 40 bytes go through
    EXPECT_EQ(cts[1], qMakePair(qint64(4000), false));
    EXPECT_EQ(cts[2], qMakePair(qint64(10000), true));
    QList<qint64> at;
    for (const auto& e : busy.log().entries())
        if (e.kind == WireRecorder::Kind::Line && e.line.startsWith("CTS"))
            at << e.atUs;
    EXPECT_EQ(at.mid(0, 3), (QList<qint64>{0, 3438, 10000}));
    clock.advance(1000);
    EXPECT_EQ(p.outputCount(), 0);
    EXPECT_EQ(busy.log().bytes(WireRecorder::Kind::ToController), QByteArray(40, 'x'));
}

TEST_F(LineTest, HoldCtsFaultStopsTheConsolesBytesWithHardwareFlow) {
    controller.addFault(FaultSpec{Fault::HoldCts, 0, 50'000, -1, 0, false});
    port.open();
    port.write(kLinkReset);
    clock.advance(49);
    EXPECT_EQ(port.outputCount(), 25);
    EXPECT_FALSE(port.cts());
    clock.advance(1);
    EXPECT_EQ(ctsEvents.last(), qMakePair(qint64(50'000), true));
    clock.advanceUs(7162);
    EXPECT_EQ(port.outputCount(), 0);
}

TEST_F(LineTest, WireLogPrintsHexAndPrintableText) {
    port.open();
    port.write(QByteArray("\x12%\rO9012\rN10037\rD00000001\r%\x14"));
    clock.advance(20);
    const QString text = controller.log().format();
    EXPECT_TRUE(text.contains("DSR on"));
    EXPECT_TRUE(text.contains(">>>  12 25 0D 4F 39 30 31 32 0D 4E 31 30 30 33 37 0D  |.%.O9012.N10037.|"))
        << qPrintable(text);
}

} // namespace
} // namespace velmorix::sim::test

namespace velmorix::sim::test {
namespace {

TEST(SimulatorPort, OwnsAControllerThatAnswersAtOnce) {
    velmorix::test::ManualClock clock;
    auto port = makeBuiltInPort(clock);
    bool dsr = false;
    port->setDsrHandler([&](bool on) { dsr = on; });
    ASSERT_TRUE(port->open());
    EXPECT_TRUE(dsr);
    port->write(kLinkReset + monitorRequest("v0"));
    clock.advance(50);
    EXPECT_TRUE(port->read(1000).startsWith("\x12%\rO9000\rH00000001\rv000%\x14"));
}

} // namespace
} // namespace velmorix::sim::test
