#include "console_fixture.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {
const QByteArray kLinkReset("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03", 25);
} // namespace

// The caption, the page, the start-up line and the controls as the window shows them are tests/gui's
// (form_main_test.cpp).
TEST_F(ConsoleTest, PlainStartOpensNothingLocksTheOperatorAndClearsTheStartUpLineAfterTenSeconds) {
    start();
    EXPECT_EQ(state().view.controls, OperatorControls{});
    EXPECT_FALSE(console->Timer2().isEnabled());
    EXPECT_EQ(state().view.statusPanels[0], "Modify Var");
    EXPECT_EQ(state().view.statusPanels[2], "Modify Commport Address");
    EXPECT_EQ(port, nullptr);
    // Ten seconds on, the start-up line moves to the recall text and the line empties.
    clock.advance(10000);
    EXPECT_EQ(keyIn(), "");
    EXPECT_EQ(state().LastMdiText, "; Velmorix StartUp ... ;");
    EXPECT_FALSE(console->TimerMdi_go().isEnabled());
}

TEST_F(ConsoleTest, GoWithValidCodeLinksDuringStartUp) {
    start({"142720", "Go"});
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(devices, QStringList({"/dev/ttyS0"}));
    EXPECT_EQ(state().view.page, NotebookPage::PlcBit);
    EXPECT_EQ(state().view.caption, "Velmorix\\CommPort.SetUp 142720"); // set after the link
    EXPECT_TRUE(console->Timer2().isEnabled());
    EXPECT_TRUE(state().view.controls.EditKeyIn);
    EXPECT_TRUE(state().view.ButtonResetEnabled);
    EXPECT_EQ(state().view.statusPanels[1], "COM1,38400,E,7,2");
    const PortSettings ps = port->settings();
    EXPECT_EQ(ps.baudRate, 38400);
    EXPECT_EQ(ps.parity, Parity::Even);
    EXPECT_EQ(ps.dataBits, 7);
    EXPECT_EQ(ps.stopBits, 2);
    EXPECT_TRUE(ps.hardwareFlow);
}

TEST_F(ConsoleTest, GoWithInvalidCodeOnlyAppliesTheValidPositions) {
    start({"25", "go"});
    EXPECT_EQ(port, nullptr);
    EXPECT_EQ(state().view.caption, "Velmorix\\CommPort.SetUp 252720");
    start({"118811", "GO"});
    EXPECT_EQ(port, nullptr);
}

TEST_F(ConsoleTest, GarbageSettingsAreNamedOnTheMessageLine) {
    dir.write("Config/Environment.ini", "[ModifyVar]\nUser_size=lots\n");
    start();
    EXPECT_EQ(keyIn(), "; Config/Environment.ini: not a whole number, the default is used: User_size ;");
    EXPECT_EQ(state().env.ranges.User_size, 10000);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ConsoleTest, ClearButtonShowsFromTwentyClearings) {
    dir.write("Config/Environment.ini", "[ComStart]\nclear_all_times=19\n");
    start();
    EXPECT_FALSE(state().view.ButtonClearShown);
    dir.write("Config/Environment.ini", "[ComStart]\nclear_all_times=20\n");
    start();
    EXPECT_TRUE(state().view.ButtonClearShown);
}

TEST_F(ConsoleTest, ComStartNumNamesThePortsTheHintNamesTheDeviceAndTheLinkOpensIt) {
    start();
    EXPECT_EQ(state().view.statusPanel1Hint, "COM1 opens /dev/ttyS0");
    dir.write("Config/Environment.ini", "[ComStart]\ncom_start_num=3\n[ComPorts]\nCOM4=/dev/ttyUSB7\n");
    start();
    console->RadioGroupComClick(CommGroup::Com, 1);
    console->RadioGroupComClick(CommGroup::BaudRate, 2);
    EXPECT_EQ(state().view.statusPanels[1], "COM4,28800,E,7,2");
    EXPECT_EQ(state().view.statusPanel1Hint, "COM4 opens /dev/ttyUSB7");
    EXPECT_EQ(state().view.caption, "Velmorix\\CommPort.SetUp 232720");
    EXPECT_EQ(port, nullptr); // a click does not touch the port
    console->LinktoCNCButtonClick();
    EXPECT_EQ(devices, QStringList({"/dev/ttyUSB7"}));
    EXPECT_EQ(port->settings().baudRate, 28800);
    EXPECT_TRUE(port->settings().customRate);
    start({"--simulator"});
    EXPECT_EQ(state().view.statusPanel1Hint, "COM4 opens the built-in controller (simulator)");
}

TEST_F(ConsoleTest, FailedOpenNamesTheDeviceAndTheFix) {
    dir.write("Config/Environment.ini", "[ComStart]\ncom_start_num=2\n");
    PortFacts facts;
    console->link().setPortInspector([&](const QString& device) {
        EXPECT_EQ(device, "/dev/ttyS1");
        return facts;
    });
    const QString settings = QDir::toNativeSeparators(dir.file("Config/Environment.ini"));
    nextOpenError = "No such file or directory";
    start();

    facts.problem = PortFacts::Problem::Missing;
    facts.devices = QStringList{"/dev/ttyACM0", "/dev/ttyUSB0"};
    console->LinktoCNCButtonClick();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(
        prompts.messages.last(),
        "Comm: No such file or directory. COM2 opens /dev/ttyS1, which does not exist. Serial devices "
        "here: /dev/ttyACM0, /dev/ttyUSB0. To open one as COM2, put COM2=/dev/ttyACM0 under [ComPorts] in " +
            settings + ".");

    // No serial device at all: the built-in controller is offered.
    facts.devices.clear();
    console->LinktoCNCButtonClick();
    EXPECT_EQ(
        prompts.messages.last(),
        "Comm: No such file or directory. COM2 opens /dev/ttyS1, which does not exist. There is no serial "
        "device on this machine; --simulator, or COM2=simulator under [ComPorts] in " +
            settings + ", links to the built-in controller.");

    facts = {PortFacts::Problem::NoPermission, {"/dev/ttyS1"}, "dialout", "root", 0660, "op"};
    port->openError = "Permission denied";
    console->LinktoCNCButtonClick();
    EXPECT_EQ(
        prompts.messages.last(),
        "Comm: Permission denied. COM2 opens /dev/ttyS1, which only members of the group dialout may use. "
        "Join it with: sudo usermod -aG dialout op, then log out and in again.");
    // A group that may not use it either: joining it would not help.
    facts.mode = 0600;
    console->LinktoCNCButtonClick();
    EXPECT_EQ(
        prompts.messages.last(),
        "Comm: Permission denied. COM2 opens /dev/ttyS1, which only its owner root may use (mode 0600). "
        "Let a group use it with a udev rule (GROUP=\"dialout\", MODE=\"0660\") and join that group, or "
        "run as root.");
    EXPECT_EQ(state().view.statusPanels[1], "COM2,38400,E,7,2"); // the description stays as it is
}

TEST_F(ConsoleTest, SettingsTheDeviceRefusedAreNamedOnTheMessageLine) {
    nextRefused = QStringList{"28800 baud", "mark parity", "RTS/CTS flow control"};
    start({"133720", "GO"});
    EXPECT_EQ(keyIn(), "; /dev/ttyS0 refused 28800 baud, mark parity, RTS/CTS flow control ;");
    EXPECT_EQ(state().LastMdiText, "; To Read CncName-ID ... ;");
    EXPECT_TRUE(prompts.messages.isEmpty()); // the port is open: no failure
    EXPECT_EQ(state().view.statusPanels[1], "COM1,28800,M,7,2");

    // A device that takes them all leaves the line as the link leaves it.
    port->refused.clear();
    console->LabelBackClick();
    console->LinktoCNCButtonClick();
    EXPECT_EQ(keyIn(), "");
}

TEST_F(ConsoleTest, ADeviceServerIsNamedInTheTooltipAndWhatItDidNotConfirmIsSaidOnceWhenKnown) {
    dir.write("Config/Environment.ini",
              "[ComPorts]\nCOM1=rfc2217://10.0.4.17:4001\nCOM2=tcp://10.0.4.18:4002\n"
              "COM3=rfc2217://10.0.4.19\n");
    start({"142720", "GO"});
    EXPECT_EQ(devices, QStringList({"rfc2217://10.0.4.17:4001"}));
    EXPECT_EQ(state().view.statusPanel1Hint,
              "COM1 opens rfc2217://10.0.4.17:4001, a serial device server (RFC 2217)");
    EXPECT_EQ(keyIn(), "");

    // Its answers come after the open.
    port->refused = QStringList{"38400 baud", "DTR on"};
    port->note = "the server reports no modem lines";
    port->learn();
    EXPECT_EQ(keyIn(), "; 10.0.4.17:4001 did not confirm 38400 baud, DTR on ;");
    EXPECT_EQ(state().view.statusPanel1Hint,
              "COM1 opens rfc2217://10.0.4.17:4001, a serial device server (RFC "
              "2217); the server reports no modem lines");
    console->EditKeyInEdited("G01 X1");
    port->learn(); // nothing new: the operator's line stays
    EXPECT_EQ(keyIn(), "G01 X1");

    console->RadioGroupComClick(CommGroup::Com, 1);
    EXPECT_EQ(
        state().view.statusPanel1Hint,
        "COM2 opens tcp://10.0.4.18:4002, a serial device server in raw TCP mode: its own line settings "
        "apply, and DSR and CTS count as on while connected");

    // A network name without a port: the machine's serial devices would be no help.
    console->link().setPortInspector([](const QString&) { return PortFacts{}; });
    nextOpenError = "not a network port as written: rfc2217://HOST:PORT or tcp://HOST:PORT";
    console->LabelBackClick();
    console->RadioGroupComClick(CommGroup::Com, 2);
    console->LinktoCNCButtonClick();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages.last(),
              "Comm: not a network port as written: rfc2217://HOST:PORT or tcp://HOST:PORT. COM3 opens "
              "rfc2217://10.0.4.19.");
}

TEST_F(ConsoleTest, FailedOpenLeavesTheWindowUnlinkedUntilALinkSucceeds) {
    nextOpenError = "No such file or directory";
    start();
    console->LinktoCNCButtonClick();
    EXPECT_EQ(prompts.messages, QStringList({"Comm: No such file or directory"}));
    EXPECT_EQ(state().view.statusPanels[1], "COM1,38400,E,7,2");
    EXPECT_EQ(state().view.page, NotebookPage::Comm);
    EXPECT_EQ(state().view.controls, OperatorControls{});
    EXPECT_FALSE(state().view.ButtonResetEnabled);
    EXPECT_FALSE(console->Timer2().isEnabled());
    clock.advance(1000);
    EXPECT_TRUE(port->written().isEmpty());
    EXPECT_EQ(prompts.messages.size(), 1);

    port->openError.clear();
    console->LinktoCNCButtonClick();
    EXPECT_EQ(state().view.page, NotebookPage::PlcBit);
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_TRUE(state().view.controls.EditKeyIn);
}

TEST_F(ConsoleTest, FirstTickSubscribesWithLinkResetThenMonitorRequest) {
    start({"142720", "GO"});
    EXPECT_TRUE(state().block.PollBlockChanged());
    clock.advance(100);
    const QByteArray w = port->written();
    ASSERT_TRUE(w.startsWith(kLinkReset));
    const QByteArray request = w.mid(25);
    EXPECT_TRUE(request.startsWith("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv22\rD12021\rD12022"));
    EXPECT_TRUE(request.contains("\rD10996\rD10800\rD10801"));
    EXPECT_TRUE(request.endsWith("\rD10807\rD10991\r%\x14\x03\x03\x03\x03\x03"));
    EXPECT_EQ(port->inputClears, 2); // at the open (a fresh line), and by the link reset
    EXPECT_EQ(state().seq.RequestSeq, 1);
    EXPECT_FALSE(state().seq.FrameValid);
    EXPECT_EQ(state().block.PollItemCount, 22);
    EXPECT_FALSE(state().block.PollBlockChanged());
    port->takeWritten();
    clock.advance(300);
    EXPECT_TRUE(port->written().isEmpty()); // the subscription stands until the list changes
}

TEST_F(ConsoleTest, RequestSendersKeepTheirLineConditions) {
    start({"142720", "GO"});
    Link& link = console->link();
    port->takeWritten();

    // DSR off: only the link reset, and the sequence stays.
    port->setDsrLine(false);
    EXPECT_TRUE(state().seq.Resyncing());
    link.SendMonitorRequest("N0\rv0");
    EXPECT_EQ(port->takeWritten(), kLinkReset);
    EXPECT_EQ(state().seq.RequestSeq, 0);

    // Eight requests bring the sequence round.
    port->setDsrLine(true);
    for (int i = 0; i < 8; ++i)
        link.SendMonitorRequest("N0\rv0");
    EXPECT_EQ(state().seq.RequestSeq, 0);
    port->takeWritten();

    // CTS off: the named value write and the reset signal write nothing.
    port->setCtsLine(false);
    link.SendNamedValueWrite(10768, 1001, "A1.Cnc");
    bool continued = false;
    link.SendResetSignal([&] { continued = true; });
    EXPECT_TRUE(continued);
    EXPECT_TRUE(port->written().isEmpty());
    // The value write has no condition.
    link.SendValueWrite(10037, 5);
    EXPECT_EQ(port->takeWritten(), QByteArray("\x12%\rO9012\rN10037\rD00000005\r%\x14"));
}

TEST_F(ConsoleTest, DncRunKeepsTheStreamWithoutLinkReset) {
    start({"142720", "GO"});
    port->takeWritten();
    // A DNC send the controller has taken.
    ASSERT_TRUE(seam().transfer().requestSend(kDncTypeIndex));
    seam().transfer().takeBytes("\x14@READ(P.Cnc)");
    ASSERT_TRUE(console->transfer().dncSending());
    console->link().SendMonitorRequest("N0\rv0");
    EXPECT_EQ(port->takeWritten(),
              QByteArray("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv0\r%\x14\x03\x03\x03\x03\x03"));
    EXPECT_TRUE(console->Timer1().isEnabled());
    EXPECT_TRUE(console->Timer3().isEnabled());
}

TEST_F(ConsoleTest, ResetSignalHoldsTheTimersForTwoHundredMilliseconds) {
    start({"142720", "GO"});
    clock.advance(100);
    port->takeWritten();
    ConsoleState& s = seam().state();
    bool continued = false;
    console->link().SendResetSignal([&] {
        continued = true;
        s.block.resubscribe();
    });
    EXPECT_EQ(port->takeWritten(), QByteArray("\x14\t\t\t\t", 5));
    clock.advance(199);
    EXPECT_FALSE(continued);
    EXPECT_TRUE(port->written().isEmpty()); // the poll tick is held
    clock.advance(1);
    EXPECT_TRUE(continued);
    // The held tick runs once after the pause and finds the new request to send.
    EXPECT_TRUE(port->written().startsWith(kLinkReset));
}

TEST_F(ConsoleTest, LineEventsMoveStatesIndicatorsAndResync) {
    start({"142720", "GO"});
    EXPECT_TRUE(state().line.LinkUp);
    EXPECT_TRUE(state().view.LabelDSRLit);
    EXPECT_TRUE(state().view.LabelCTSLit);
    ConsoleState& s = seam().state();
    for (int i = 0; i < SequenceState::kAdoptions; ++i) // checking, no longer adopting
        s.seq.adopted(s.seq.RequestSeq);
    port->setCtsLine(false);
    EXPECT_FALSE(state().line.CtsReady);
    EXPECT_FALSE(state().view.LabelCTSLit);
    EXPECT_FALSE(state().seq.Resyncing()); // CTS does not resync
    port->setDsrLine(false);
    EXPECT_FALSE(state().line.LinkUp);
    EXPECT_FALSE(state().view.LabelDSRLit);
    EXPECT_TRUE(state().seq.Resyncing());
    port->setDsrLine(true);
    EXPECT_TRUE(state().view.LabelDSRLit);
}

TEST_F(ConsoleTest, LeavingTheLinkClosesThePortOnlyWhileDsrIsOn) {
    start({"142720", "GO"});
    console->LabelBackClick();
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(state().view.page, NotebookPage::Comm);
    EXPECT_EQ(state().pageMode, PageMode::PortSetup);
    EXPECT_EQ(state().view.controls, OperatorControls{});
    EXPECT_FALSE(state().view.ButtonResetEnabled);
    EXPECT_EQ(state().view.caption, "Velmorix\\CommPort.SetUp 142720");
    EXPECT_TRUE(console->Timer2().isEnabled()); // keeps ticking, and sends nothing
    port->takeWritten();
    clock.advance(300);
    EXPECT_TRUE(port->written().isEmpty());

    console->LinktoCNCButtonClick();
    port->setDsrLine(false);
    console->LabelBackClick();
    EXPECT_TRUE(port->isOpen());
}

TEST_F(ConsoleTest, WritingOnAClosedPortIsShownNotFatal) {
    start({"142720", "GO"});
    console->LabelBackClick();
    console->link().SendValueWrite(10037, 1);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Comm: "));
}

TEST_F(ConsoleTest, TableDirectoryChoiceMarksTheDirectoryForTheNextLink) {
    start();
    prompts.openAnswers.push_back(std::nullopt);
    console->ButtonFileSelectParthClick();
    EXPECT_FALSE(state().PathChanged);
    ASSERT_EQ(prompts.openRequests.size(), 1u);
    EXPECT_EQ(prompts.openRequests[0].filter, "CNC_&ID (Velmorix.ini)");
    EXPECT_EQ(prompts.openRequests[0].proposedName, "Velmorix");
    EXPECT_EQ(prompts.openRequests[0].initialDir, dir.path());

    dir.write("cnc7/Velmorix.ini", "");
    prompts.openAnswers.push_back(dir.file("cnc7/Velmorix.ini"));
    console->ButtonFileSelectParthClick();
    EXPECT_TRUE(state().PathChanged);
    EXPECT_EQ(state().view.EditSelectPath, QDir::toNativeSeparators(dir.file("cnc7")));
    console->ButtonFileSelectParthClick();
    EXPECT_EQ(prompts.openRequests[2].initialDir, dir.file("cnc7"));
    console->LinktoCNCButtonClick();
    EXPECT_FALSE(state().PathChanged);
}

TEST_F(ConsoleTest, SettingsAreWrittenAtShutDownKeepingOtherKeys) {
    dir.write("Config/Environment.ini", "[ComPorts]\nCOM1=/dev/ttyUSB0\n[ComStart]\ncomport=12\n");
    start({"142720", "GO"});
    console->FormDestroy();
    EXPECT_FALSE(port->isOpen());
    const QByteArray text = dir.read("Config/Environment.ini");
    EXPECT_TRUE(text.contains("COM1=/dev/ttyUSB0"));
    EXPECT_TRUE(text.contains("comport=12"));
    EXPECT_TRUE(text.contains("McmData_size=1000"));
    EXPECT_TRUE(text.contains("clear_all_times=0"));
}

TEST_F(ConsoleTest, UnwritableSettingsAreReportedAtExit) {
    dir.write("Config", "a file where the directory should be");
    start();
    console->FormDestroy();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("The settings were not saved."));
}
