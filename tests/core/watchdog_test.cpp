#include "console_fixture.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

class WatchdogTest : public ConsoleTest {
protected:
    void SetUp() override {
        start({"142720", "GO"});
        clock.advance(100);
        port->takeWritten();
    }
    ConsoleState& mutableState() { return const_cast<ConsoleState&>(state()); }
    void supervise() {
        mutableState().watchdog.WatchdogTicks = 0;
        mutableState().watchdog.WatchdogLimit = 10;
        console->SetOperationEnabled(false);
        console->Timer3().setEnabled(true);
    }
};

} // namespace

TEST_F(WatchdogTest, CountsTenSecondsThenTimesOutARequestedReceive) {
    mutableState().transfer.RecvRequested = true;
    mutableState().transfer.RxText = "partial";
    supervise();
    for (int i = 1; i <= 10; ++i) {
        clock.advance(1000);
        EXPECT_EQ(state().view.EditKeyIn, "; .. Shaking .. " + QString::number(i));
    }
    clock.advance(1000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. Wait ACK => Time Out .. ;");
    EXPECT_FALSE(state().transfer.RecvRequested);
    EXPECT_TRUE(state().transfer.RxText.isEmpty());
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_FALSE(console->Timer3().isEnabled());
    EXPECT_TRUE(port->written().isEmpty()); // no abort mark for a receive
}

TEST_F(WatchdogTest, RequestedSendTimesOutWithTheAbortMark) {
    mutableState().transfer.SendRequested = true;
    supervise();
    clock.advance(11000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. Wait CTS => Time Out .. ;");
    EXPECT_FALSE(state().transfer.SendRequested);
    EXPECT_EQ(port->written(), QByteArray("%\x14"));
}

TEST_F(WatchdogTest, ResetBreaksEvenWithDsrOnAndWithoutAnyFlagItStopsSilently) {
    mutableState().transfer.RecvRequested = true;
    mutableState().transfer.RecvBody = true;
    mutableState().watchdog.ResetPending = true;
    supervise();
    clock.advance(1000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. DSR Off --> Break .. ;");
    EXPECT_FALSE(state().transfer.RecvRequested);
    EXPECT_FALSE(state().transfer.RecvBody);
    EXPECT_FALSE(state().watchdog.ResetPending);
    EXPECT_FALSE(console->Timer3().isEnabled());
    EXPECT_TRUE(state().view.controls.EditKeyIn);

    mutableState().view.EditKeyIn = "typed";
    supervise();
    clock.advance(11000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. Shaking .. 10");
    EXPECT_FALSE(console->Timer3().isEnabled());
}

TEST_F(WatchdogTest, DsrLossBreaksAWaitButNotARunningSend) {
    mutableState().transfer.Sending = true;
    mutableState().transfer.SendRequested = true;
    supervise();
    port->setDsrLine(false);
    clock.advance(1000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. Shaking .. 1");
    EXPECT_TRUE(state().transfer.Sending);

    mutableState().transfer.Sending = false;
    console->Timer1().setEnabled(true);
    clock.advance(1000);
    EXPECT_EQ(state().view.EditKeyIn, "; .. DSR Off --> Break .. ;");
    EXPECT_FALSE(state().transfer.SendRequested);
    EXPECT_FALSE(console->Timer1().isEnabled());
}
