#include "console_fixture.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

// A 14-item status frame (empty block) from literal pieces, with the given status digits and X.
QByteArray frame14(const QByteArray& status, const QByteArray& x = "000003>8") {
    QByteArray f = "\x12"
                   "........"
                   "H" +
                   status + ".....";
    const QByteArray items[] = {x,          "00000000", "00000000", "00000000", "00000000",
                                "00000000", "00000000", "00000000", "00000000", "53494=31",
                                "30303031", "000007>:", "000004;8", "0000;>?5"};
    for (const QByteArray& item : items)
        f += "d" + item + " ";
    return f + "%\x14";
}

class PollTest : public ConsoleTest {
protected:
    void SetUp() override {
        start({"142720", "GO"});
        // An empty block keeps the frames at 14 items.
        mutableState().block.PollBlockStart = 0;
        mutableState().block.PollBlockCount = 0;
        clock.advance(100);
        port->takeWritten();
    }
    ConsoleState& mutableState() { return seam().state(); }
};

} // namespace

TEST_F(PollTest, AcceptedFrameFillsThePanelAndTheSerialNumber) {
    port->feed(frame14("00000001"));
    clock.advance(100);
    EXPECT_EQ(state().status.axes[0], "    1,000");
    EXPECT_EQ(state().status.LabelType, "SIM1-0001");
    EXPECT_EQ(state().status.LabelTime, "2026-1208");
    EXPECT_EQ(state().view.statusPanels[4], "SN-0048885");
}

TEST_F(PollTest, LinkDownBlanksThePanelAndSendsNothing) {
    port->feed(frame14("00000001"));
    clock.advance(100);
    mutableState().block.PollBlockChanged = true;
    port->setDsrLine(false);
    clock.advance(100);
    EXPECT_EQ(state().status.axes[0], "----,---");
    EXPECT_EQ(state().status.LabelType, "KCNC-[ID]");
    EXPECT_EQ(state().status.LabelCommandState, "---------");
    EXPECT_EQ(state().status.LabelCps, "Cps=----");
    EXPECT_EQ(state().status.LabelTime, "2026-1208"); // kept
    EXPECT_EQ(state().view.statusPanels[4], "SN-0048885");
    EXPECT_TRUE(port->written().isEmpty());
    // Back on: the request goes out and the sequence is adopted again.
    port->setDsrLine(true);
    clock.advance(100);
    EXPECT_TRUE(port->written().contains("O9000\rN0\rv14"));
    EXPECT_TRUE(state().seq.Resyncing);
}

TEST_F(PollTest, NoiseAndBrokenFramesLeaveTheLastGoodValues) {
    port->feed(frame14("00000001"));
    clock.advance(100);
    QByteArray truncated = frame14("00000001", "00000000");
    truncated.remove(40, 10);
    port->feed("\x01\x7f noise \x14" + truncated + frame14("00000001", "0000000?").left(120));
    clock.advance(100);
    EXPECT_EQ(state().status.axes[0], "    1,000");
}

TEST_F(PollTest, RateIsCountedOverTheSnapshotInterval) {
    // Snapshots every fourth tick; bytes counted in between give the rate.
    for (int i = 0; i < 8; ++i) {
        port->feed(QByteArray(250, '.'));
        clock.advance(100);
    }
    EXPECT_EQ(state().status.LabelRxD, "RxD_Rate");
    EXPECT_EQ(state().status.LabelCps, "Cps=02500");
}

TEST_F(PollTest, ReceiveModeGathersTextAndFindsTheAnnouncement) {
    seam().transfer().requestReceive();
    clock.advance(100);
    EXPECT_EQ(console->filePage().view().LabelFileSize, "0");
    port->feed(frame14("00000001") + "\x14@WRITE(O0001)\x12%\r");
    clock.advance(100);
    EXPECT_TRUE(console->transfer().RecvBody());
    EXPECT_EQ(console->transfer().RxText(), "\x12%\r");
    EXPECT_EQ(console->filePage().view().LabelFileName, "% CNC\\ WRITE(O0001) %");
    EXPECT_EQ(state().status.axes[0], "----,---"); // the ring is not fed while receiving
}

TEST_F(PollTest, SendModeTracksXoffAndXonAndTheLaterOfTheTwoDecides) {
    port->setCtsLine(false); // the pump holds, so the send stays running
    seam().transfer().requestSend(0);
    port->feed("\x14@READ(A1.Cnc)");
    clock.advance(100);
    EXPECT_TRUE(console->transfer().Sending());
    port->feed("\x13");
    clock.advance(100);
    EXPECT_TRUE(console->transfer().XoffHold());
    port->feed("\x11");
    clock.advance(100);
    EXPECT_FALSE(console->transfer().XoffHold());
    // XON then XOFF within one tick: the controller wants us to stop.
    port->feed("\x11..\x13");
    clock.advance(100);
    EXPECT_TRUE(console->transfer().XoffHold());
    port->feed("\x13..\x11");
    clock.advance(100);
    EXPECT_FALSE(console->transfer().XoffHold());
}

TEST_F(PollTest, PortErrorDuringTheTickStopsThePoll) {
    port->fail("Input/output error");
    EXPECT_FALSE(console->Timer2().isEnabled());
    EXPECT_EQ(prompts.messages, QStringList({"Comm: Input/output error"}));
}
