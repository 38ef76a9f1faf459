// Sending files to the virtual controller: every type end to end, the 8-bit upload, what a fault does
// to a send, and a long DNC run against a controller slower than the line.
#include "sim_console_fixture.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

class Sending : public SimConsoleTest {
protected:
    explicit Sending(sim::ControllerOptions options = {}) : SimConsoleTest(std::move(options)) {}
    void SetUp() override {
        start();
        tick(5);
        console.ButtonFileSvcClick();
        tick(3);
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    const FilePageView& page() const { return console.filePage().view(); }
    // Runs the clock until the send has ended and its last byte reached the controller, or `ms` have
    // passed.
    void sendAndWait(int ms = 5000) {
        console.ButtonSendOutClick();
        runUntilIdle(ms);
    }
    sim::TransferRecord lastTransfer() const {
        return controller.transfers().isEmpty() ? sim::TransferRecord{} : controller.transfers().last();
    }
};

} // namespace

TEST_F(Sending, EveryTypeIsAnnouncedTakenAndStoredExactly) {
    struct Case {
        int item;
        const char* file;
        QByteArray bytes;
        int typeCode;
        const char* typeDigits; // the type code as the announcement carries it
        bool warns;
        QByteArray stored; // what the controller keeps: the stripped text, or the file's bytes
    };
    QByteArray binary;
    for (int i = 0; i < 1000; ++i)
        binary += static_cast<char>((i * 37) & 0xFF);
    const QByteArray program = "%\r\nO0007\r\nG00 X1\t;rapid\r\nG01 Y2\r\n%\r\n";
    const QByteArray stripped = "%\r\nO0007\r\nG00 X1\r\nG01 Y2\r\n%";
    const Case cases[] = {
        {0, "A1.Cnc", program, 1001, "000003>9", false, stripped},
        {1, "A1.Cnc", program, 1001, "000003>9", false, stripped},
        {2, "M.Mcm", "#11001=5\r\n#11002=-7\r\n", 1003, "000003>;", true, "#11001=5\r\n#11002=-7"},
        {3, "P.Plc", binary, 1005, "000003>=", true, binary},
        {4, "C.Crt", binary.left(17), 1011, "000003?3", true, binary.left(17)},
        {5, "S.Sys", binary.left(16), 1010, "000003?2", true, binary.left(16)},
        {6, "K.Key", binary.left(1), 1013, "000003?5", true, binary.left(1)},
        {7, "M.Mot", binary.left(333), 1012, "000003?4", true, binary.left(333)},
        {8, "P.Ptn", binary.left(64), 1014, "000003?6", true, binary.left(64)},
        {9, "V.Var", "#100=1\r\n#101=2;two\r\n", 1007, "000003>?", true, "#100=1\r\n#101=2"},
        {10, "C.Cyf", binary.left(48), 1018, "000003?:", false, binary.left(48)},
        {11, "N.999", binary.left(99), 1019, "000003?;", true, binary.left(99)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        load(c.item, QString::fromLatin1(c.file), c.bytes);
        const int warnings = prompts.warningsShown;
        const qsizetype before = received().size();
        sendAndWait();
        EXPECT_EQ(prompts.warningsShown - warnings, c.warns ? 1 : 0);
        const QByteArray wire = received().mid(before);
        const QByteArray announcement =
            "\x12%\rO9012(" + QByteArray(c.file) + ")\rN10768\rd" + c.typeDigits + "\r%\x14";
        EXPECT_TRUE(wire.contains(announcement));
        ASSERT_EQ(lastTransfer().outcome, sim::TransferRecord::Outcome::Stored)
            << lastTransfer().reason.toStdString();
        EXPECT_EQ(controller.files().stored(c.typeCode), c.stored);
        EXPECT_FALSE(console.transfer().active());
        EXPECT_TRUE(state().view.controls.ButtonFileSvc);
        tick(35); // the flash step's pause
    }
}

TEST_F(Sending, WarningCancelledSendsNothingAndWarningOffKeepsItAway) {
    load(3, "P.Plc", QByteArray(40, 'x'));
    prompts.warningAnswer = {false, false};
    const qsizetype before = received().size();
    sendAndWait();
    EXPECT_FALSE(received().mid(before).contains("N10768"));
    EXPECT_TRUE(state().view.controls.ButtonFileSvc);
    prompts.warningAnswer = {true, true};
    sendAndWait();
    EXPECT_EQ(lastTransfer().outcome, sim::TransferRecord::Outcome::Stored);
    tick(35);
    sendAndWait();
    EXPECT_EQ(prompts.warningsShown, 2); // "Warning Dialog  Off" since the second
}

TEST_F(Sending, FlashStepSendsTheTypesCommandAfterTheSendAndHoldsTheLine) {
    load(3, "P.Plc", QByteArray(40, 'x'));
    console.CheckBoxFlashClick(true);
    sendAndWait();
    EXPECT_EQ(keyIn(), "G10 P600 L03;Write to Flash;");
    EXPECT_EQ(state().LastMdiText, "G10 P600 L03;Write to Flash;");
    clock.advance(3300);
    ASSERT_FALSE(controller.mdiCommands().isEmpty());
    EXPECT_EQ(controller.mdiCommands().last(), "G10P600L03");
    EXPECT_FALSE(page().CheckBoxFlash);
    EXPECT_TRUE(console.paused()); // the controller writes its flash: the console holds still
    clock.advance(3000);

    // "4:CRT" takes part in the flash write but has no command: nothing is sent, the box still clears.
    load(4, "C.Crt", QByteArray(40, 'y'));
    console.CheckBoxFlashClick(true);
    const qsizetype mdi = controller.mdiCommands().size();
    sendAndWait();
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
    clock.advance(7000);
    EXPECT_EQ(controller.mdiCommands().size(), mdi);
    EXPECT_FALSE(page().CheckBoxFlash);
}

TEST_F(Sending, ArmFileGoesOutInFramesOfEightAndTheLinkComesBack) {
    load(12, "F.Bin", QByteArray(20, '\x5A'));
    const qsizetype before = received().size();
    sendAndWait(10000);
    EXPECT_EQ(controller.armImage(), QByteArray(20, '\x5A'));
    const QByteArray wire = received().mid(before);
    EXPECT_TRUE(wire.startsWith("\x12%\rO9012\rN10211\rD000000??\r%\x14"));
    EXPECT_TRUE(wire.contains(QByteArray("\x03\x20\x20", 3)));
    EXPECT_TRUE(wire.contains(QByteArray("\x0B\x35\x21\x00\x00\x00\x00\x00\x00\x00\x14", 11)));
    const QByteArray eight = QByteArray("\x0B\xF4\x24", 3) + QByteArray(8, '\x5A');
    const QByteArray four = QByteArray("\x07\x8C\x24", 3) + QByteArray(4, '\x5A');
    EXPECT_TRUE(wire.contains(eight + eight + four) || (wire.count(eight) == 2 && wire.contains(four)));
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
    EXPECT_FALSE(console.transfer().ArmSending());
    // The link is back with its own settings, so frames decode again; the file page stays with its
    // full gauge.
    EXPECT_EQ(state().view.page, NotebookPage::FileSvc);
    EXPECT_EQ(page().gaugePosition, 20);
    tick(10);
    EXPECT_NE(state().status.axes[0], "----,---");
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
}

TEST_F(Sending, ResetStopsThePumpAndSilenceEndsInTheWatchdogsTimeOut) {
    load(3, "P.Plc", QByteArray(60000, 'p'));
    console.ButtonSendOutClick();
    tick(3);
    ASSERT_TRUE(console.transfer().Sending());
    // The transmit rate: what was written less what still waits, never above the line's 3491 cps
    // (38400 baud at 11 bits a character).
    tick(8);
    EXPECT_EQ(state().status.LabelRxD, "TxD_Rate");
    const int cps = state().status.LabelCps.mid(4).toInt();
    EXPECT_TRUE(cps > 1000 && cps <= 3491) << state().status.LabelCps.toStdString();
    const int stoppedAt = page().gaugePosition;
    ASSERT_GT(stoppedAt, 0);
    console.ButtonResetClick();
    EXPECT_FALSE(console.Timer1().isEnabled());
    tick(12);
    EXPECT_EQ(page().gaugePosition, stoppedAt); // the gauge shows how far the send came
    EXPECT_EQ(keyIn(), "; .. Reset --> Break .. ;");
    EXPECT_NE(lastTransfer().outcome, sim::TransferRecord::Outcome::Stored); // the body was cut short

    controller.addFault({.kind = sim::Fault::SilentHandshake});
    const qsizetype before = received().size();
    sendAndWait(15000);
    EXPECT_EQ(keyIn(), "; .. Wait CTS => Time Out .. ;");
    // The abort mark follows the unanswered announcement, before anything else.
    const QByteArray announcement = "\x12%\rO9012(P.Plc)\rN10768\rd000003>=\r%\x14";
    const QByteArray wire = received().mid(before);
    const qsizetype at = wire.indexOf(announcement);
    ASSERT_GE(at, 0);
    EXPECT_EQ(wire.mid(at + announcement.size(), 2), "%\x14");
    EXPECT_TRUE(state().view.controls.ButtonFileSvc);
}

TEST_F(Sending, AFileSentAcrossADsrDropArrivesWholeOrNotAtAll) {
    QByteArray bytes;
    for (int i = 0; i < 30000; ++i)
        bytes += static_cast<char>(i * 13);
    load(3, "P.Plc", bytes);
    console.ButtonSendOutClick();
    tick(3);
    ASSERT_TRUE(console.transfer().Sending());
    controller.addFault({.kind = sim::Fault::DropDsr, .fromUs = nowUs(), .untilUs = nowUs() + 2000000});
    runUntilIdle(60000);
    // The pump waited for the controller: what it took is the whole file.
    ASSERT_EQ(lastTransfer().outcome, sim::TransferRecord::Outcome::Stored)
        << lastTransfer().reason.toStdString();
    EXPECT_EQ(controller.files().stored(1005), bytes);
    EXPECT_EQ(controller.overruns(), 0);
}

TEST_F(Sending, TheVerdictIsTheControllersNextStatusNotTheLastWrite) {
    QList<TransferEnd> ends;
    console.setTransferObserver([&](const TransferEnd& e) { ends << e; });
    const auto sendUntilSaid = [&] {
        const qsizetype before = ends.size();
        console.ButtonSendOutClick();
        for (int t = 0; t < 20000 && ends.size() == before; t += 10)
            clock.advance(10);
        clock.advance(3500); // the pause after the send
        return ends.size() > before ? ends.last() : TransferEnd{};
    };
    load(0, "P.Cnc", "%\r\nO0001\r\nG00 X1\r\n%\r\n");

    // An error the controller showed before the send is not the file's.
    controller.addFault({.kind = sim::Fault::ErrorNumber, .value = 12, .hasValue = true});
    tick(5);
    EXPECT_EQ(sendUntilSaid().kind, TransferEnd::Kind::Sent);
    controller.clearFaults();
    tick(5);

    // A new error number in the first status after the file fails it, in the controller's words.
    controller.addFault(
        {.kind = sim::Fault::ErrorNumber, .fromUs = nowUs() + 300000, .value = 31, .hasValue = true});
    TransferEnd end = sendUntilSaid();
    EXPECT_EQ(end.kind, TransferEnd::Kind::Refused);
    EXPECT_EQ(end.errorNumber, 31);
    EXPECT_TRUE(end.reason.startsWith("the controller reported error 31")) << end.reason.toStdString();
    controller.clearFaults();
    tick(5);

    // A controller that says nothing after the file has not confirmed it.
    controller.addFault({.kind = sim::Fault::TruncatedFrame, .fromUs = nowUs() + 300000});
    end = sendUntilSaid();
    EXPECT_EQ(end.kind, TransferEnd::Kind::NotConfirmed);
    EXPECT_EQ(keyIn(), "; not confirmed: the controller sent no status after the file ;");
    EXPECT_EQ(lastTransfer().outcome, sim::TransferRecord::Outcome::Stored); // it was, but nobody said so
}

namespace {

// A controller that runs each program line for 10 ms: slower than the line brings them, so it has
// to hold the console back with XOFF and let it go with XON all through a long run.
class SlowDnc : public Sending {
protected:
    static sim::ControllerOptions slow() {
        sim::ControllerOptions o;
        o.dncLineMs = 10;
        return o;
    }
    SlowDnc() : Sending(slow()) {}
};

} // namespace

// The list follows the run past the 2000 lines it shows at the load; the controller holds the
// console back with XOFF again and again and loses nothing.
TEST_F(SlowDnc, ALongProgramArrivesWholeInOrderWithoutAnOverrunAndTheListFollowsIt) {
    QByteArray program;
    QList<QByteArray> lines; // as the controller runs them: cut at their ";"
    for (int i = 1; i <= 2500; ++i) {
        const QByteArray line = "N" + QByteArray::number(i) + " G00 X" + QByteArray::number(i % 2); // 1 mm
        program += line + (i % 7 ? "\r\n" : " ;note\r\n");
        lines << (i % 7 ? line : line + ' ');
    }
    load(13, "D.Cnc", program);
    ASSERT_EQ(console.filePage().DncListedCount(), 2000);
    EXPECT_TRUE(page().ButtonSendOutEnabled);
    console.ButtonSendOutClick();
    EXPECT_TRUE(state().view.controls.ButtonPlcBit); // the operator keeps the window during a run
    // A reload during the run is refused; the run goes on with the lines it started with.
    load(13, "Other.Cnc", "M30\r\n");
    for (int t = 0; t < 600000 && (console.transfer().active() || controller.dnc().active()); t += 100)
        clock.advance(100);
    ASSERT_FALSE(console.transfer().active());
    const QList<QByteArray>& ran = controller.dnc().executed();
    EXPECT_EQ(ran, lines);
    EXPECT_EQ(ran.value(6), "N7 G00 X1 ");
    EXPECT_EQ(controller.overruns(), 0);
    EXPECT_GT(controller.log().notes().count(QStringLiteral("XOFF: 2048 bytes in the buffer")), 10);
    EXPECT_EQ(page().rowCount(), 2500); // 2001 to 2500 joined the list as they went out
    EXPECT_EQ(page().row(2000), ";[00002001] N2001 G00 X1");
    EXPECT_EQ(page().row(2499), ";[00002500] N2500 G00 X0");
    EXPECT_EQ(page().LabelFileSize, "2500");
}
