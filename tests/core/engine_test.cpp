// How the engine is put together: one transfer at a time, repaints, held timers, and an engine
// built without a window.
#include "console_fixture.h"
#include "core/base/hold.h"

using namespace velmorix;
using namespace velmorix::test;

TEST(TransferArea, OneTransferAtATimeAndOnlyADncRunFeedsTheStatusRing) {
    Transfer t;
    ASSERT_TRUE(t.requestReceive());
    EXPECT_FALSE(t.requestSend(0));
    EXPECT_FALSE(t.requestReceive());
    EXPECT_FALSE(t.takeBytes("\x14@WRITE(O1)\x12%")); // a receive never feeds the ring
    EXPECT_TRUE(t.RecvBody());
    t.abort();
    EXPECT_FALSE(t.active());

    // A send latches its type; only a DNC run hands the controller's stream on to the ring.
    ASSERT_TRUE(t.requestSend(3));
    t.takeBytes("\x14@READ(P.Plc)");
    ASSERT_TRUE(t.Sending());
    EXPECT_FALSE(t.takeBytes("frame bytes"));
    t.finishSend();
    ASSERT_TRUE(t.requestSend(kDncTypeIndex));
    EXPECT_FALSE(t.takeBytes("before the go-ahead"));
    t.takeBytes("\x14@READ(P.Cnc)");
    EXPECT_TRUE(t.takeBytes("frame bytes"));
    EXPECT_FALSE(t.takeBytes(""));
}

TEST(TransferArea, AnOldAnnouncementNeverAnswersANewRequest) {
    Transfer t;
    t.requestReceive();
    t.takeBytes("\x14@WRITE(OLD)");
    t.abort();
    t.requestReceive();
    QByteArray announced;
    Transfer::Hooks hooks;
    hooks.announced = [&](const QByteArray& name) { announced = name; };
    t.setHooks(hooks);
    t.takeBytes("frames");
    EXPECT_TRUE(announced.isEmpty());
}

TEST_F(ConsoleTest, AnOperatorCallRepaintsOnceAndTimedWorkAtMostEveryFortyMilliseconds) {
    int repaints = 0;
    QObject::connect(console.get(), &Console::changed, [&] { ++repaints; });
    start({"142720", "GO"}); // links, which opens the PLC page and subscribes
    EXPECT_EQ(repaints, 1);
    repaints = 0;
    console->Timer1().setEnabled(true); // a 1 ms timer beside the poll tick and the watchdog
    console->Timer3().setEnabled(true);
    clock.advance(1000);
    EXPECT_GE(repaints, 20);
    EXPECT_LE(repaints, 25);
}

TEST(HeldTimers, ATimerDestroyedDuringAPauseLeavesTheHold) {
    ManualClock clock;
    Hold hold(clock);
    int kept = 0;
    auto keep = hold.createTimer(10, [&] { ++kept; });
    auto gone = hold.createTimer(10, [] {});
    keep->setEnabled(true);
    gone->setEnabled(true);
    hold.pause(45, {});
    clock.advance(30); // both fell due during the pause
    gone.reset();
    clock.advance(15); // the pause ends; only the living timer runs its held tick
    EXPECT_EQ(kept, 1);
}

TEST_F(ConsoleTest, EngineBuiltFromExplicitSettingsLinksOnTheGivenDevice) {
    EngineSetup setup;
    setup.device = "/dev/ttyUSB7";
    ASSERT_TRUE(applySetupCode("160810", setup.comm)); // 115200, no parity, 8 data bits, 1 stop bit
    setup.tableDir = dir.path();
    console->setUp(setup);
    EXPECT_FALSE(state().view.controls.ButtonPlcBit);
    EXPECT_EQ(console->tables().ErrorTexts.size(), 100);
    console->LinktoCNCButtonClick();
    EXPECT_EQ(devices, QStringList({"/dev/ttyUSB7"}));
    const PortSettings s = port->settings();
    EXPECT_EQ(s.name, "/dev/ttyUSB7");
    EXPECT_EQ(s.baudRate, 115200);
    EXPECT_EQ(s.parity, Parity::None);
    EXPECT_EQ(s.dataBits, 8);
    EXPECT_EQ(s.stopBits, 1);
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    clock.advance(100);
    EXPECT_TRUE(port->written().contains("O9000\rN0\rv22"));
}

TEST_F(ConsoleTest, ASubscriptionPendingWhenAReceiveStartsWaitsForItsEnd) {
    start({"142720", "GO"});
    clock.advance(100);
    port->takeWritten();
    seam().state().block.resubscribe(); // e.g. the file page was just opened
    seam().transfer().requestReceive();
    clock.advance(100);
    EXPECT_FALSE(port->written().contains("O9000")) << "a link reset would wipe out the controller's answer";
    port->feed("\x14@WRITE(O1)\x12%\rO1\r%\x14");
    clock.advance(200);
    EXPECT_FALSE(console->transfer().active());
    clock.advance(100);
    EXPECT_TRUE(port->written().contains("O9000\rN0\rv"));
}
