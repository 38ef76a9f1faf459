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
    explicit PollTest(QTime timeOfDay = QTime(10, 0, 0)) : ConsoleTest(timeOfDay) {}
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

TEST_F(PollTest, PortErrorIsReportedOnceStopsThePollAndBlanksWhatItShowed) {
    port->feed(frame14("00000001"));
    clock.advance(100);
    ASSERT_NE(state().status.axes[0], "----,---");
    port->fail("Input/output error");
    EXPECT_FALSE(console->Timer2().isEnabled());
    EXPECT_FALSE(state().line.LinkUp);
    EXPECT_EQ(prompts.messages, QStringList({"Comm: Input/output error"}));
    // Values from a dead line must not look live.
    EXPECT_EQ(state().status.axes[0], "----,---");
    EXPECT_EQ(state().status.LabelCommandState, "---------");
    clock.advance(1000);
    EXPECT_EQ(prompts.messages.size(), 1);
}

TEST_F(PollTest, AFrameAcrossTheRingsEndIsCopiedToTheFrontAndDecoded) {
    // Frames as they stream, then a little noise, up to 40 bytes before the end.
    const QByteArray f = frame14("00000001");
    const int frames = (StatusRing::kSize - 40) / int(f.size());
    for (int i = 0; i < frames; ++i) {
        port->feed(f);
        if (i % 10 == 9)
            clock.advance(100);
    }
    port->feed(QByteArray(StatusRing::kSize - 40 - frames * int(f.size()), '.'));
    clock.advance(100);
    port->feed(frame14("00000001", "0000162>"));
    clock.advance(100);
    EXPECT_EQ(console->poll().ring().FrameStart, StatusRing::kSize - 40);
    EXPECT_EQ(state().status.axes[0], "    5,678");
}

TEST_F(PollTest, DelimitersWithTheTopBitSetStillFrameAFrame) {
    QByteArray f = frame14("00000001", "0000162>");
    f[0] = char(0x92);
    f[f.size() - 1] = char(0x94);
    port->feed("\xFF\x80" + f);
    clock.advance(100);
    EXPECT_EQ(state().status.axes[0], "    5,678");
}

namespace {
class PollAcrossTheMinute : public PollTest {
protected:
    PollAcrossTheMinute() : PollTest(QTime(10, 0, 58, 700)) {}
};
} // namespace

// The rate is counted over the snapshot interval (every fourth tick), also across a minute's end.
TEST_F(PollAcrossTheMinute, TheRateHoldsWhenTheSecondsRollOver) {
    QStringList shown;
    const QByteArray f = frame14("00000001");
    for (int i = 0; i < 24; ++i) {
        port->feed(f + QByteArray(250 - f.size(), '.'));
        clock.advance(100);
        shown << state().status.LabelCps;
    }
    // From the first computed rate on, every tick shows the same rate through 10:00:59 -> 10:01:00.
    EXPECT_EQ(shown.mid(8), QStringList(16, QStringLiteral("Cps=02500")));
}
