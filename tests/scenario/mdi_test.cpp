#include "sim_console_fixture.h"

#include "core/mdi/mdi.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

class MdiLine : public SimConsoleTest {
protected:
    void SetUp() override {
        start();
        tick(10);
    }
    void type(const QString& text) {
        QString line;
        for (const QChar c : text) {
            line += c;
            console.EditKeyInEdited(line);
        }
    }
};

} // namespace

TEST_F(MdiLine, EnterSendsTheCommandWithoutBlanksOrCommentAndRecallBringsTheTextBack) {
    type("  G01 X10 Y5 ;move");
    console.EditKeyInKeyPress('\r');
    EXPECT_EQ(keyIn(), "");
    tick(3);
    EXPECT_TRUE(received().contains("\x12%\rO9000\rN000011\rG01X10Y5\r%\x14"));
    ASSERT_FALSE(controller.mdiCommands().isEmpty());
    EXPECT_EQ(controller.mdiCommands().last(), "G01X10Y5");
    console.ButtonMemTextClick();
    EXPECT_EQ(keyIn(), "  G01 X10 Y5 ;move");
}

TEST_F(MdiLine, CommentsAndEmptyLinesSendNothing) {
    const qsizetype before = received().size();
    type("; .. Sended .. @ ;");
    console.ButtonMDIgoClick();
    type("    ");
    console.ButtonMDIgoClick();
    console.ButtonMDIgoClick(); // empty edit
    tick(3);
    EXPECT_FALSE(received().mid(before).contains("N000011"));
    EXPECT_EQ(state().LastMdiText, "    ");
}

TEST_F(MdiLine, TheLineEmptiesTenSecondsAfterTheLastKeyAndKeepsItsTextForRecall) {
    type("G0");
    clock.advance(9000);
    type("G00");
    clock.advance(9000);
    EXPECT_EQ(keyIn(), "G00");
    clock.advance(1000);
    EXPECT_EQ(keyIn(), "");
    EXPECT_EQ(state().LastMdiText, "G00");
    EXPECT_FALSE(console.TimerMdi_go().isEnabled());
}

TEST_F(MdiLine, ResetAndClearWriteTheirSignalOnlyWithCtsAndDsrAndResetResubscribes) {
    seam().transfer().requestReceive();
    qsizetype before = received().size();
    console.ButtonResetClick();
    EXPECT_FALSE(console.transfer().RecvRequested());
    EXPECT_TRUE(seam().watchdog().ResetPending());
    tick(5);
    EXPECT_TRUE(received().mid(before).startsWith(QByteArray("\x14\t\t\t\t", 5)));
    EXPECT_TRUE(received().mid(before).contains("O9000\rN0\rv22"));
    console.ButtonClearClick();
    tick(2);
    EXPECT_TRUE(received().contains("\x12%\rO9000\rN000011\rG10P1999L9999\r%\x14"));

    controller.addFault({.kind = sim::Fault::HoldCts, .fromUs = nowUs()});
    tick(1);
    ASSERT_FALSE(state().line.CtsReady);
    before = received().size();
    console.ButtonResetClick();
    console.ButtonClearClick();
    tick(1);
    EXPECT_FALSE(received().mid(before).contains("\t\t\t\t"));
    EXPECT_FALSE(received().mid(before).contains("G10P1999L9999"));
}

TEST_F(MdiLine, AWaitingFlashWriteIsDeliveredAndTheLineHoldsStillForThreeSeconds) {
    // The end of a send with "w2Flash" checked leaves the flash command on the line.
    console.CheckBoxFlashClick(true);
    seam().message().note("G10 P600 L03;Write to Flash;");
    seam().mdi().armFlashWrite();
    EXPECT_EQ(console.TimerMdi_go().interval(), 3210);
    const qsizetype before = received().size();
    clock.advance(3209);
    EXPECT_EQ(received().size(), before);
    clock.advance(1);
    EXPECT_FALSE(console.filePage().view().CheckBoxFlash);
    EXPECT_FALSE(seam().mdi().FlashPending());
    EXPECT_EQ(console.TimerMdi_go().interval(), 10000);
    seam().state().block.resubscribe();
    clock.advance(1000);
    // What the operator types meanwhile waits for the pause's end, as a blocked window keeps it.
    type("G00 X1");
    console.EditKeyInKeyPress('\r');
    clock.advance(1900);
    // Nothing but the flash command during the pause: the poll tick is held.
    EXPECT_EQ(received().mid(before), QByteArray("\x12%\rO9000\rN000011\rG10P600L03\r%\x14"));
    clock.advance(400);
    EXPECT_TRUE(received().mid(before).contains("O9000\rN0\rv"));
    EXPECT_TRUE(received().mid(before).contains("\x12%\rO9000\rN000011\rG00X1\r%\x14"));
    EXPECT_EQ(keyIn(), "");
    EXPECT_EQ(state().LastMdiText, "G00 X1");
}

TEST(MdiCommand, LeadingBlanksNeverReachTheCommand) {
    EXPECT_EQ(Mdi::commandOf("   M03 S500 ; spindle"), "M03S500");
    EXPECT_EQ(Mdi::commandOf("\tG00 X1\r\n"), "G00X1");
    EXPECT_EQ(Mdi::commandOf(";only a comment"), "");
}
