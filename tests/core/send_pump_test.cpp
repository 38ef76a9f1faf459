// Sends and receive requests byte for byte on a fake port: the announcement, the pump's pacing, the
// pause after a send, the DNC feed and the 8-bit upload.
#include "console_fixture.h"

#include <QFile>

using namespace velmorix;
using namespace velmorix::test;

namespace {

const QByteArray kLinkReset("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03", 25);

class Pump : public ConsoleTest {
protected:
    void SetUp() override {
        start({"142720", "GO"});
        console->ButtonFileSvcClick();
        clock.advance(300);
        console->GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    QList<qsizetype> writeSizes() const {
        QList<qsizetype> sizes;
        for (const QByteArray& w : fileWrites())
            sizes << w.size();
        return sizes;
    }
};

} // namespace

TEST_F(Pump, AFrameOf1300CharactersGoesOutAs512And512And276ThenTheLineHoldsStillForThreeSeconds) {
    load(0, QByteArray(1298, 'G')); // DC2, the image, DC4
    // The bare name is what follows the label's last "\\".
    seam().files().showSavedName("C:\\work\\A1.Cnc");
    port->takeWritten();
    console->ButtonSendOutClick();
    EXPECT_EQ(port->takeWritten(), kLinkReset + QByteArray("\x12%\rO9012(A1.Cnc)\rN10768\rd000003>9\r%\x14"));
    clock.advance(100);
    port->feed("\x14@READ(A1.Cnc)");
    clock.advance(100);                                 // the tick sees it and the pump starts
    for (int i = 0; i < SequenceState::kAdoptions; ++i) // checking, no longer adopting
        seam().state().seq.adopted(seam().state().seq.RequestSeq);
    clock.advance(5);
    EXPECT_EQ(writeSizes(), (QList<qsizetype>{512})); // the next waits until at most 256 are in flight
    for (int ms = 0; ms < 1000 && keyIn() != "; .. Sended .. @ ;"; ++ms)
        clock.advance(1);
    EXPECT_EQ(writeSizes(), (QList<qsizetype>{512, 512, 276}));
    EXPECT_EQ(port->written().left(2), QByteArray("\x12G"));
    EXPECT_TRUE(port->written().endsWith("G\x14"));
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
    // Without "w2Flash" the console holds still for 3000 ms, then adopts the controller's sequence
    // afresh and subscribes again.
    port->takeWritten();
    clock.advance(2990);
    EXPECT_TRUE(console->paused());
    EXPECT_FALSE(state().seq.Resyncing());
    EXPECT_TRUE(port->written().isEmpty());
    clock.advance(10);
    EXPECT_FALSE(console->paused());
    EXPECT_TRUE(state().seq.Resyncing());
    clock.advance(100);
    EXPECT_TRUE(port->written().startsWith(kLinkReset + "\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv"));
}

TEST_F(Pump, TheLinkResetGoesBeforeAReceiveRequestOnlyForTheTwoProgramTypes) {
    console->GroupBoxOperateMouseDown(FilePage::Row::Recv);
    const QByteArray expected[] = {
        kLinkReset + "\x12%\rO9012(Program.Cnc)\rN10768\rd000003>:\r%\x14",
        kLinkReset + "\x12%\rO9012(Prog_All.CNC)\rN10768\rd000003?1\r%\x14",
        "\x12%\rO9012(Cnc_Name.Mcm)\rN10768\rd000003><\r%\x14",
        "\x12%\rO9012(VAR_0099.Var)\rN10768\rd00000708\r%\x14",
        "\x12%\rO9012(KNT_PTN.Cyf)\rN10768\rd000003?=\r%\x14",
    };
    const int items[] = {0, 1, 2, 3, 23};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(items[i]);
        console->ComboBoxRecvFileChange(items[i]);
        port->takeWritten();
        console->ButtonRecvInClick();
        EXPECT_EQ(port->written(), expected[i]);
        seam().transfer().abort();
    }
}

TEST_F(Pump, CtsOffXoffAndAFullOutputQueueEachHoldIt) {
    load(0, QByteArray(40000, 'G'));
    port->setCtsLine(false);
    sendAndAcknowledge();
    clock.advance(120);
    EXPECT_TRUE(writeSizes().isEmpty());
    port->setCtsLine(true);
    port->pendingOutput = 257;
    clock.advance(20);
    EXPECT_TRUE(writeSizes().isEmpty());
    port->pendingOutput = 256;
    clock.advance(1);
    EXPECT_EQ(writeSizes(), (QList<qsizetype>{512}));
    port->feed("\x13"); // XOFF, seen by the next poll tick
    clock.advance(100);
    const qsizetype held = writeSizes().size();
    clock.advance(50);
    EXPECT_EQ(writeSizes().size(), held);
    port->feed("\x11");
    clock.advance(100);
    EXPECT_GT(writeSizes().size(), held);
}

TEST_F(Pump, DncLinesGoOneATickCutAtTheirCommentBetweenDc2AndDc4) {
    load(13, "G01 X1;fast\r\nG02\r\nM30\r\n");
    sendAndAcknowledge();
    clock.advance(130);
    EXPECT_EQ(fileWrites(), (QList<QByteArray>{"\x12G01 X1\r", "G02\r", "M30\r\x14"}));
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A line the driver takes only part of is said, and the run goes on.
    clock.advance(3100);
    console->ButtonSendOutClick();
    clock.advance(100);
    port->takeWritten();
    port->shortWrite = 3;
    port->feed("\x14@READ(f.Cnc)");
    clock.advance(105);
    EXPECT_EQ(prompts.messages, QStringList({"Write Error!", "Write Error!", "Write Error!"}));
    EXPECT_EQ(port->written(), QByteArray("\x12G0G02M30"));
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
}

TEST_F(Pump, UploadTakesZerosAsNoAnswerAndGivesUpAfterTwoSecondsOfSilence) {
    load(12, QByteArray(3, 'A'));
    console->ButtonSendOutClick();
    clock.advance(1000); // the pause after asking for the 8-bit line
    // The same port at the link's rate, 8N1 with RTS/CTS, whatever the link's own settings (7E2).
    EXPECT_EQ(devices, QStringList({"/dev/ttyS0"}));
    EXPECT_EQ(port->settings().baudRate, 38400);
    EXPECT_EQ(port->settings().dataBits, 8);
    EXPECT_EQ(port->settings().parity, Parity::None);
    EXPECT_EQ(port->settings().stopBits, 1);
    EXPECT_TRUE(port->settings().hardwareFlow);
    EXPECT_TRUE(port->written().endsWith(QByteArray("\x03\x20\x20", 3)));
    port->feed(QByteArray("\x00\x00\xCC", 3)); // the hello accepted
    clock.advance(2);
    EXPECT_TRUE(port->written().endsWith(QByteArray("\x0B\x24\x21\x00\x00\x00\x00\x00\x00\x00\x03", 11)));
    clock.advance(1990);
    EXPECT_TRUE(console->sender().uploading());
    clock.advance(20);
    EXPECT_FALSE(console->sender().uploading());
    EXPECT_EQ(keyIn(), "; .. Handshake Time Out .. ;");
    EXPECT_EQ(state().view.page, NotebookPage::FileSvc); // the file page stays

    // Reset ends an upload at once, and says so.
    console->ButtonSendOutClick();
    clock.advance(1001);
    ASSERT_TRUE(console->sender().uploading());
    console->ButtonResetClick();
    EXPECT_FALSE(console->sender().uploading());
    EXPECT_EQ(keyIn(), "; .. Reset --> Break .. ;");
    EXPECT_EQ(port->settings().dataBits, 7);
}

TEST_F(Pump, ARunFromALaterLineIsFramedAsARunAndABreakLeavesTheLineToResumeFrom) {
    load(13, "G01 X1;fast\r\nG02\r\nM30\r\n");
    console->sendDncFromLine(2);
    clock.advance(100);
    port->takeWritten();
    port->feed("\x14@READ(f.Cnc)");
    clock.advance(130);
    EXPECT_EQ(fileWrites(), (QList<QByteArray>{"\x12G02\r", "M30\r\x14"}));
    EXPECT_FALSE(QFile::exists(dir.file("f.Cnc.dnc-resume")));
    clock.advance(3100); // the pause after a send

    // A run the port's loss breaks off: the journal beside the program names the last line out.
    QByteArray program;
    for (int i = 1; i <= 50; ++i)
        program += "N" + QByteArray::number(i) + "\r\n";
    load(13, program);
    sendAndAcknowledge();
    clock.advance(100 + 10);
    port->fail("gone");
    clock.advance(5);
    const qint32 crossed = console->sender().lastDncLineCrossed();
    EXPECT_EQ(dir.read("f.Cnc.dnc-resume"), QByteArray::number(crossed) + "\nresume 1\n");
    EXPECT_GE(crossed, 5);
    EXPECT_LT(crossed, 50);
}

TEST_F(Pump, ARunFromALaterLineSendsTheModalStateBeforeItOnlyWhenTheOperatorSaysSo) {
    load(13, "G21 G90 G54 (setup)\r\nT3 M06\r\nS1200 M03\r\nG01 X1 F300 ;cut\r\nX2\r\nX3\r\n");
    prompts.preambleAnswer = Prompts::PreambleAnswer::Send;
    console->sendDncFromLine(5);
    ASSERT_EQ(prompts.preamblesShown.size(), 1u);
    EXPECT_EQ(prompts.preamblesShown[0].first, 5);
    EXPECT_EQ(prompts.preamblesShown[0].second,
              (QList<QByteArray>{"G21 G90 G54", "T3", "S1200 M03", "F300", "G01"}));
    clock.advance(100);
    port->takeWritten();
    port->feed("\x14@READ(f.Cnc)");
    clock.advance(200);
    EXPECT_EQ(fileWrites(), (QList<QByteArray>{"\x12G21 G90 G54\r", "T3\r", "S1200 M03\r", "F300\r", "G01\r",
                                               "X2\r", "X3\r\x14"}));
    clock.advance(3200);

    // Cancelled, nothing goes out.
    prompts.preambleAnswer = Prompts::PreambleAnswer::Cancel;
    port->takeWritten();
    console->sendDncFromLine(5);
    clock.advance(300);
    EXPECT_FALSE(port->written().contains("O9012("));
}
