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
    Transfer& transfer() { return seam().transfer(); }
    const Transfer& flags() const { return console->transfer(); }
    void supervise() {
        seam().watchdog().arm(10);
        console->SetOperationEnabled(false);
        console->Timer3().setEnabled(true);
    }
};

} // namespace

TEST_F(WatchdogTest, CountsTenSecondsThenTimesOutARequestedReceive) {
    transfer().requestReceive();
    port->feed("partial");
    supervise();
    for (int i = 1; i <= 10; ++i) {
        clock.advance(1000);
        EXPECT_EQ(keyIn(), "; .. Shaking .. " + QString::number(i));
    }
    clock.advance(1000);
    EXPECT_EQ(keyIn(), "; .. Wait ACK => Time Out .. ;");
    EXPECT_FALSE(flags().RecvRequested());
    EXPECT_TRUE(flags().RxText().isEmpty());
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_FALSE(console->Timer3().isEnabled());
    EXPECT_TRUE(port->written().isEmpty()); // no abort mark for a receive
}

TEST_F(WatchdogTest, AnUploadWaitingTooLongTimesOutWithTheAbortMarkAndLeavesItsEndToTheUpload) {
    QList<TransferEnd> ends;
    console->setTransferObserver([&](const TransferEnd& end) { ends << end; });
    console->Timer2().setEnabled(false); // the upload has the line to itself
    transfer().setArmSending(true);
    supervise();
    clock.advance(11000);
    EXPECT_EQ(keyIn(), "; .. Wait CTS => Time Out .. ;");
    EXPECT_EQ(port->written(), QByteArray("%\x14"));
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_FALSE(console->Timer3().isEnabled());
    EXPECT_TRUE(ends.isEmpty()); // the upload says how it ended
}

TEST_F(WatchdogTest, ResetBreaksEvenWithDsrOnAndWithoutAnyFlagItStopsSilently) {
    transfer().requestReceive();
    transfer().takeBytes("\x14@WRITE(O1)\x12%");
    ASSERT_TRUE(flags().RecvBody());
    seam().watchdog().requestBreak();
    supervise();
    clock.advance(1000);
    EXPECT_EQ(keyIn(), "; .. Reset --> Break .. ;");
    EXPECT_FALSE(flags().RecvRequested());
    EXPECT_FALSE(flags().RecvBody());
    EXPECT_FALSE(seam().watchdog().ResetPending());
    EXPECT_FALSE(console->Timer3().isEnabled());
    EXPECT_TRUE(state().view.controls.EditKeyIn);

    seam().message().note("; a note ;");
    supervise();
    clock.advance(11000);
    EXPECT_EQ(keyIn(), "; .. Shaking .. 10");
    EXPECT_FALSE(console->Timer3().isEnabled());
    // What the operator types is never wiped out by the count.
    console->EditKeyInEdited("G01 X1");
    supervise();
    clock.advance(3000);
    EXPECT_EQ(keyIn(), "G01 X1");
}

TEST_F(WatchdogTest, DsrLossBreaksAWaitButNotARunningSend) {
    transfer().requestSend(0);
    supervise();
    console->Timer1().setEnabled(true);
    port->setDsrLine(false);
    clock.advance(1000);
    EXPECT_EQ(keyIn(), "; .. DSR Off --> Break .. ;");
    EXPECT_FALSE(flags().SendRequested());
    EXPECT_FALSE(console->Timer1().isEnabled());

    port->setDsrLine(true);
    transfer().requestSend(0);
    transfer().takeBytes("\x14@READ(A.Cnc)");
    ASSERT_TRUE(flags().Sending());
    supervise();
    port->setDsrLine(false);
    clock.advance(1000);
    EXPECT_EQ(keyIn(), "; .. Shaking .. 1");
    EXPECT_TRUE(flags().Sending());
}
