// Transfers over the real path: QtSerialPort on a pseudo-terminal to velmorix-sim, a program of its
// own. A pseudo-terminal reports an empty output queue whatever it holds, so only the line clock
// paces the console here; the simulator's log says what the controller really got.
#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/qt_serial_port.h"
#include "support/processes.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <optional>

namespace velmorix {
namespace {

using test::ProgramRun;
using test::SimProcess;

const QStringList kFastLine{"--baud", "115200", "--parity", "none", "--data-bits", "8", "--stop-bits", "1"};
const QString kFastSetup = QStringLiteral("160810"); // COM1, 115200, no parity, 8 data bits, 1 stop bit

// A program of `count` short lines that move nothing far, some with comments.
QByteArray dncProgram(int count) {
    QByteArray p;
    for (int i = 1; i <= count; ++i)
        p += (i % 2 ? "X0.001" : "X0") + QByteArray(i % 7 == 0 ? " ;c" : "") + "\r\n";
    return p;
}

class RealLine : public ::testing::Test {
protected:
    RealLine() : sim(QStringLiteral(VELMORIX_SIM_BINARY), dir.file(QStringLiteral("sim.log"))) {}

    QStringList cliPort() const { return {"--port", sim.path(), "--quiet"}; }
    // velmorix-cli in the test's folder.
    ProgramRun cli(const QStringList& args, int timeoutMs = 120000,
                   const std::function<void(QProcess&)>& whileRunning = {}) {
        return test::runProgram(QStringLiteral(VELMORIX_CLI_BINARY), dir.path(), args, timeoutMs,
                                whileRunning);
    }

    // The console itself on the terminal, linked as "SETUP GO" does.
    void link(const QString& setup) {
        dir.write(QStringLiteral("Config/Environment.ini"),
                  "[ComPorts]\nCOM1=" + sim.path().toLocal8Bit() + "\n");
        console = std::make_unique<Console>(
            clock, prompts, [](const QString& device) { return std::make_unique<QtSerialPort>(device); },
            dir.path());
        console->setTransferObserver([this](const TransferEnd& e) { end = e; });
        console->FormCreate(StartupInputs{{setup, QStringLiteral("GO")}, 20});
        ASSERT_TRUE(QTest::qWaitFor([&] { return console->state().live.AcceptedFrames > 2; }, 5000));
        console->ButtonFileSvcClick(); // the reset signal and its pause
        ASSERT_TRUE(QTest::qWaitFor([&] { return !console->paused(); }, 2000));
        console->GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    void load(int type, const QString& name, const QByteArray& bytes) {
        dir.write(name, bytes);
        console->ComboBoxSendFileChange(type);
        prompts.openAnswers.push_back(dir.file(name));
        console->ButtonOpenFileClick();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !console->filePage().loading() && console->filePage().fileListed(); }, 10000));
    }
    bool waitForEnd(int ms) {
        return QTest::qWaitFor([&] { return end.has_value(); }, ms);
    }
    // Lines the controller started before a run broke off, from its note.
    int linesRan(const QString& cause) {
        const auto m =
            sim.waitFor(QStringLiteral("aborted 1006 d\\.Cnc: %1 after (\\d+) lines ran").arg(cause), 5000);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }

    test::TempWorkDir dir;
    SimProcess sim;
    QtClock clock;
    test::ScriptedPrompts prompts;
    std::unique_ptr<Console> console;
    std::optional<TransferEnd> end;
};

TEST_F(RealLine, ADncRunOf5000LinesIsStoredWholeWithoutOverruns) {
    ASSERT_TRUE(sim.start(kFastLine + QStringList{"--dnc-line-ms", "0"}));
    dir.write(QStringLiteral("d.Cnc"), dncProgram(5000));
    const ProgramRun r =
        cli(QStringList{"send", "--type", "D:DNC", "d.Cnc", "--setup", kFastSetup} + cliPort());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "sent d.Cnc as D:DNC\n");
    const auto stored = sim.waitFor(
        QStringLiteral("(\\d+\\.\\d+) ms  ---  stored 1006 d\\.Cnc: 5000 lines; 0 overruns"), 5000);
    ASSERT_TRUE(stored.hasMatch()) << sim.log().right(2000).toStdString();
    // The line stays open a while after the run's last line: a close at the moment the console's
    // count says it crossed would cut it off where the controller reads it a little later.
    const auto closed =
        sim.waitFor(QStringLiteral("(\\d+\\.\\d+) ms  ---  the console closed the line"), 5000);
    ASSERT_TRUE(closed.hasMatch());
    EXPECT_GE(closed.captured(1).toDouble() - stored.captured(1).toDouble(), 100.0)
        << sim.log().right(600).toStdString();
}

TEST_F(RealLine, A200KiBHexImageIsStoredExactBeforeTheSendIsSaidToBeDone) {
    ASSERT_TRUE(sim.start(kFastLine));
    QByteArray image;
    quint32 sum = 0;
    for (int i = 0; i < 200 * 1024; ++i) {
        image += static_cast<char>((i * 131 + i / 509) & 0xFF);
        sum += static_cast<quint8>(image.back());
    }
    dir.write(QStringLiteral("big.Plc"), image);
    const ProgramRun r =
        cli(QStringList{"send", "--type", "3:PLC", "big.Plc", "--setup", kFastSetup} + cliPort());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Read the moment the command returned: the controller kept it before "sent" was said.
    EXPECT_TRUE(
        sim.log().contains(QStringLiteral("stored 1005 big.Plc: 204800 bytes, sum %1; 0 overruns").arg(sum)))
        << sim.log().right(1500).toStdString();
}

TEST_F(RealLine, ResetBreaksARunAndABodyOffAndTheResumeLineSkipsNothing) {
    ASSERT_TRUE(sim.start({"--dnc-line-ms", "20"}));
    link(QStringLiteral("142720"));
    load(13, QStringLiteral("d.Cnc"), dncProgram(3000));
    console->ButtonSendOutClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->sender().lastDncLineCrossed() > 300; }, 20000));
    console->ButtonResetClick();
    ASSERT_TRUE(waitForEnd(3000));
    const int ran = linesRan(QStringLiteral("reset"));
    ASSERT_GT(ran, 0) << sim.log().right(1500).toStdString();
    EXPECT_FALSE(sim.log().contains(QStringLiteral("stored 1006")));
    EXPECT_EQ(end->kind, TransferEnd::Kind::BrokenOff);
    EXPECT_GE(end->lastLine, ran);
    EXPECT_LE(end->resumeLine, ran) << "the line the controller was running must run again";
    EXPECT_GT(end->resumeLine, 0);
    EXPECT_EQ(console->filePage().view().resumeLine, end->resumeLine);
    EXPECT_TRUE(console->messageLine().text().contains(
        QStringLiteral("resume with --from-line %1").arg(end->resumeLine)));

    // A whole-image body broken off part-way: the controller keeps none of it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console->paused() && !console->transfer().active(); }, 5000));
    end.reset();
    QByteArray text;
    for (int i = 0; i < 1500; ++i)
        text += "G01 X" + QByteArray::number(i) + "\r\n";
    load(0, QStringLiteral("t.Cnc"), text);
    console->ButtonSendOutClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->filePage().view().gaugePosition > 3000; }, 10000));
    console->ButtonResetClick();
    ASSERT_TRUE(waitForEnd(3000));
    EXPECT_TRUE(sim.waitFor(QStringLiteral("aborted 1001 t\\.Cnc: reset"), 3000).hasMatch())
        << sim.log().right(1500).toStdString();
    EXPECT_FALSE(sim.log().contains(QStringLiteral("stored 1001")));
}

TEST_F(RealLine, SigtermAndALostPortBreakARunOffWithAResumeLineTheControllerHadNotPassed) {
    ASSERT_TRUE(sim.start({"--dnc-line-ms", "20", "--fault", "Vanish@6000"}));
    dir.write(QStringLiteral("d.Cnc"), dncProgram(3000));
    // SIGTERM during the run.
    ProgramRun r = cli(QStringList{"send", "--type", "D:DNC", "d.Cnc"} + cliPort(), 20000, [&](QProcess& p) {
        // Once the controller holds back a buffer full of lines.
        sim.waitFor(QStringLiteral("---  XOFF: "), 10000);
        ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    });
    EXPECT_EQ(r.status, 143) << r.err.toStdString();
    const int ranBeforeTerm = linesRan(QStringLiteral("reset"));
    ASSERT_GT(ranBeforeTerm, 0) << sim.log().right(1500).toStdString();
    const QRegularExpression resume(QStringLiteral("resume with --from-line (\\d+)"));
    auto m = resume.match(QString::fromLocal8Bit(r.err));
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    EXPECT_LE(m.captured(1).toInt(), ranBeforeTerm);

    // The terminal hangs up under the next run.
    r = cli(QStringList{"send", "--type", "D:DNC", "d.Cnc"} + cliPort(), 20000);
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    const int ranBeforeLoss = linesRan(QStringLiteral("the terminal hung up"));
    ASSERT_GT(ranBeforeLoss, 0) << sim.log().right(1500).toStdString();
    m = resume.match(QString::fromLocal8Bit(r.err));
    ASSERT_TRUE(m.hasMatch()) << r.err.toStdString();
    EXPECT_LE(m.captured(1).toInt(), ranBeforeLoss + 1);
    EXPECT_FALSE(sim.log().contains(QStringLiteral("stored 1006")));
}

TEST_F(RealLine, MdiAndValueWritesWaitOutsideARunThatOwnsTheLine) {
    ASSERT_TRUE(sim.start({"--dnc-line-ms", "1"}));
    link(QStringLiteral("142720"));
    load(13, QStringLiteral("d.Cnc"), dncProgram(400));
    console->ButtonSendOutClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->sender().lastDncLineCrossed() > 50; }, 10000));
    console->EditKeyInEdited(QStringLiteral("M05"));
    console->ButtonMDIgoClick();
    EXPECT_EQ(console->messageLine().text(), QStringLiteral("; .. DNC Running --> MDI Refused .. ;"));
    console->writeValue(10037, 5);
    EXPECT_EQ(console->messageLine().text(), QStringLiteral("; .. DNC Running --> Write Refused .. ;"));
    ASSERT_TRUE(waitForEnd(20000));
    EXPECT_EQ(end->kind, TransferEnd::Kind::Sent) << end->reason.toStdString();
    EXPECT_TRUE(sim.waitFor(QStringLiteral("stored 1006 d\\.Cnc: 400 lines; 0 overruns"), 3000).hasMatch());
    const QByteArray written = console->wireLog().bytes(WireRecorder::Kind::ToController);
    EXPECT_FALSE(written.contains("N000011")) << "an MDI frame went out inside the tape";
    EXPECT_FALSE(written.contains("O9012\rN10037")) << "a value write went out inside the tape";
    // Afterwards (and after the pause that follows a send) the line is the operator's again.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console->paused(); }, 5000));
    console->EditKeyInEdited(QStringLiteral("M05"));
    console->ButtonMDIgoClick();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return console->wireLog().bytes(WireRecorder::Kind::ToController).contains("\rN000011\rM05\r");
        },
        2000));
}

TEST_F(RealLine, AStandingErrorDoesNotFailASendAndARefusalOnANoisyLineDoes) {
    dir.write(QStringLiteral("p.Cnc"), "%\r\nO0009\r\nG00 X1\r\nM30\r\n%\r\n");
    {
        SimProcess standing(QStringLiteral(VELMORIX_SIM_BINARY), dir.file(QStringLiteral("standing.log")));
        ASSERT_TRUE(standing.start({"--fault", "ErrorNumber=12"}));
        const ProgramRun r = cli({"send", "--type", "0:CNC", "p.Cnc", "--port", standing.path(), "--quiet"});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(standing.log().contains(QStringLiteral("stored 1001 p.Cnc")));
    }
    // Noise on the line corrupts the image; the controller refuses it, and the send fails with its word.
    QByteArray plc;
    for (int i = 0; i < 4096; ++i)
        plc += static_cast<char>(i * 7);
    dir.write(QStringLiteral("n.Plc"), plc);
    ASSERT_TRUE(sim.start({"--fault", "LineNoise=200"}));
    // The noise may as well hit the controller's answer to the announcement; that send fails on its
    // own words and is tried again. None may end well.
    ProgramRun r;
    for (int attempt = 0; attempt < 4; ++attempt) {
        r = cli(QStringList{"send", "--type", "3:PLC", "n.Plc"} + cliPort());
        ASSERT_NE(r.status, 0) << r.err.toStdString();
        if (!r.err.contains("no answer to the announcement"))
            break;
    }
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(sim.log().contains(QStringLiteral("refused 1005 n.Plc")))
        << sim.log().right(800).toStdString();
    EXPECT_TRUE(r.err.contains("the controller reported error 31")) << r.err.toStdString();
}

} // namespace
} // namespace velmorix
