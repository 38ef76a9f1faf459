// Controllers on a serial device server. ser2net, which nobody here wrote, serves velmorix-sim's
// pseudo-terminal on 127.0.0.1 in RFC 2217 mode and in raw mode; velmorix-cli and the console link to
// it as rfc2217:// and tcp:// ports, and the simulator's log and the saved files are the judge. A
// pseudo-terminal has no modem lines, so ser2net cannot show them: the tests' own RFC 2217 server
// in front of the in-process controller does, with NOTIFY-MODEMSTATE.
#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/device_port.h"
#include "sim/controller.h"
#include "sim/wire.h"
#include "support/device_server_peer.h"
#include "support/processes.h"
#include "support/scripted_prompts.h"
#include "support/ser2net_process.h"
#include "support/temp_workdir.h"

#include <gtest/gtest.h>

#include <optional>

namespace velmorix {
namespace {

using test::Ser2NetProcess;
using test::SimProcess;

// velmorix-cli's run, its outputs as text.
struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

const QStringList kFastLine{"--baud", "115200",      "--parity", "none",          "--data-bits",
                            "8",      "--stop-bits", "1",        "--dnc-line-ms", "0"};
const QString kFastSetup = QStringLiteral("160810"); // COM1, 115200, no parity, 8 data bits, 1 stop bit

QByteArray pattern(int n, int step, int offset) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += static_cast<char>((i * step + offset + i / 251) & 0xFF);
    return b;
}

quint32 sumOf(const QByteArray& bytes) {
    quint32 sum = 0;
    for (const char c : bytes)
        sum += static_cast<quint8>(c);
    return sum;
}

// velmorix-sim at 115200 8N1 with ser2net in front: in RFC 2217 mode its connector starts at 38400
// 7E2 and the console's settings move it; in raw mode its own 115200n81 is all the line gets.
class ThroughSer2net : public ::testing::TestWithParam<Ser2NetProcess::Mode> {
protected:
    ThroughSer2net() : sim(QStringLiteral(VELMORIX_SIM_BINARY), dir.file(QStringLiteral("sim.log"))) {}
    void SetUp() override {
        ASSERT_TRUE(sim.start(kFastLine));
        ASSERT_TRUE(ser2net.start(sim.path(), GetParam(), rfc2217() ? "38400e72" : "115200n81"))
            << ser2net.output().toStdString();
    }
    bool rfc2217() const { return GetParam() == Ser2NetProcess::Mode::Rfc2217; }
    CliResult cli(const QStringList& args) {
        const test::ProgramRun run =
            test::runProgram(QStringLiteral(VELMORIX_CLI_BINARY), dir.path(),
                             args + QStringList{"--port", ser2net.url(), "--setup", kFastSetup});
        return {run.status, QString::fromLocal8Bit(run.out), QString::fromLocal8Bit(run.err)};
    }
    bool logged(const QString& pattern) const { return sim.waitFor(pattern, 5000).hasMatch(); }
    // The simulator's notes and line events, without the bytes: what a failure needs to show.
    std::string notes() const {
        QStringList out;
        for (const QString& line : sim.log().split(QLatin1Char('\n')))
            if (line.contains(QStringLiteral(" ---  ")))
                out << line;
        return out.join(QLatin1Char('\n')).right(3000).toStdString();
    }

    test::TempWorkDir dir;
    SimProcess sim;
    Ser2NetProcess ser2net;
};

TEST_P(ThroughSer2net, ProgramsPlcProgramsAndAnUploadOfFFBytesGoBothWaysByteExact) {
    const QByteArray program = "%\r\nO0009\r\nG00 X1\r\nG01 X2 Y3 F300\r\nM30\r\n%\r\n";
    dir.write(QStringLiteral("p.Cnc"), program);
    CliResult r = cli({"send", "--type", "0:CNC", "p.Cnc"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(logged(QStringLiteral("stored 1001 p\\.Cnc: \\d+ bytes, sum \\d+; 0 overruns")))
        << sim.log().right(1500).toStdString();
    r = cli({"receive", "--type", "0", "--output", "back.Cnc"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("back.Cnc")), program);

    const QByteArray plc = pattern(1500, 7, 1);
    dir.write(QStringLiteral("p.Plc"), plc);
    r = cli({"send", "--type", "3:PLC", "p.Plc"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(
        logged(QStringLiteral("stored 1005 p\\.Plc: 1500 bytes, sum %1; 0 overruns").arg(sumOf(plc))));
    r = cli({"receive", "--type", "U:PLC", "--access-code", "zrtm64", "--output", "back.Plc"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("back.Plc")), plc);

    // The 8-bit upload: 0xFF is IAC to telnet, and the line is reopened for it.
    const QByteArray firmware = QByteArray(64, '\xff') + pattern(200, 13, 5);
    dir.write(QStringLiteral("fw.Bin"), firmware);
    r = cli({"send", "--type", "C:ARM", "fw.Bin"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(logged(QStringLiteral("stored C:ARM: 264 bytes, sum %1").arg(sumOf(firmware))))
        << sim.log().right(1500).toStdString();
}

TEST_P(ThroughSer2net, AHexImageIsStoredExactBeforeTheSendIsSaidToBeDone) {
    // 200 KiB takes 45 s at 115200 baud: the full size over RFC 2217, an eighth of it raw.
    const int size = rfc2217() ? 200 * 1024 : 25 * 1024;
    const QByteArray image = pattern(size, 131, 0);
    dir.write(QStringLiteral("big.Plc"), image);
    const CliResult r = cli({"send", "--type", "3:PLC", "big.Plc"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Read the moment the command returned: the controller kept it before "sent" was said.
    EXPECT_TRUE(sim.log().contains(
        QStringLiteral("stored 1005 big.Plc: %1 bytes, sum %2; 0 overruns").arg(size).arg(sumOf(image))))
        << sim.log().right(1500).toStdString();
}

TEST_P(ThroughSer2net, A3000LineDncRunIsStoredWholeWithoutOverruns) {
    QByteArray program;
    for (int i = 1; i <= 3000; ++i)
        program += "N" + QByteArray::number(i) + (i % 2 ? " X0.001" : " X0") + (i % 7 ? "" : " ;c") + "\r\n";
    dir.write(QStringLiteral("d.Cnc"), program);
    // The console as the window drives it, which stays linked after the run: a controller still
    // running the lines it holds when the last one has crossed is not cut off by the line closing.
    dir.write(QStringLiteral("Config/Environment.ini"),
              "[ComPorts]\nCOM1=" + ser2net.url().toLocal8Bit() + "\n");
    QtClock clock;
    test::ScriptedPrompts prompts;
    std::optional<TransferEnd> end;
    Console console(
        clock, prompts, [](const QString& device) { return makeDevicePort(device); }, dir.path());
    console.setTransferObserver([&](const TransferEnd& e) { end = e; });
    console.FormCreate(StartupInputs{{kFastSetup, QStringLiteral("GO")}, 20});
    ASSERT_TRUE(QTest::qWaitFor([&] { return console.state().live.AcceptedFrames > 2; }, 10000));
    console.ButtonFileSvcClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console.paused(); }, 2000));
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    console.ComboBoxSendFileChange(13);
    prompts.openAnswers.push_back(dir.file(QStringLiteral("d.Cnc")));
    console.ButtonOpenFileClick();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !console.filePage().loading() && console.filePage().fileListed(); }, 10000));
    console.ButtonSendOutClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return end.has_value(); }, 60000));
    EXPECT_EQ(end->kind, TransferEnd::Kind::Sent) << end->reason.toStdString();
    EXPECT_TRUE(logged(QStringLiteral("stored 1006 d\\.Cnc: 3000 lines; 0 overruns"))) << notes();
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

TEST_P(ThroughSer2net, WatchAndWriteSeeTheController) {
    CliResult r = cli({"watch", "--count", "3", "--format", "csv", "--vars", "10991,12021"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = r.out.trimmed().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("time,10991,12021"));
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral(",142857,125000"))) << lines[3].toStdString();
    // ser2net cannot set DTR on a pseudo-terminal and says nothing to it: said once, the link goes on.
    const QString note = QStringLiteral("; 127.0.0.1:%1 did not confirm DTR on ;").arg(ser2net.port());
    EXPECT_EQ(r.err.count(note), rfc2217() ? 1 : 0) << r.err.toStdString();

    r = cli({"write", "10037=5"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("10037=5\n"));
    r = cli({"watch", "--count", "1", "--format", "csv", "--vars", "10037"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.trimmed().endsWith(QStringLiteral(",5"))) << r.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Paths, ThroughSer2net,
                         ::testing::Values(Ser2NetProcess::Mode::Rfc2217, Ser2NetProcess::Mode::Raw),
                         [](const auto& path) {
                             return path.param == Ser2NetProcess::Mode::Rfc2217 ? "Rfc2217" : "RawTcp";
                         });

// The console itself, as the window drives it, on a COM name mapped to a device server.
class ConsoleOnDeviceServer : public ::testing::Test {
protected:
    void link(const QString& url, const QString& setup) {
        dir.write(QStringLiteral("Config/Environment.ini"), "[ComPorts]\nCOM1=" + url.toLocal8Bit() + "\n");
        console = std::make_unique<Console>(
            clock, prompts, [](const QString& device) { return makeDevicePort(device); }, dir.path());
        console->setTransferObserver([this](const TransferEnd& e) { end = e; });
        console->FormCreate(StartupInputs{{setup, QStringLiteral("GO")}, 20});
    }
    bool framesAfter(quint64 seen, int ms = 5000) {
        return QTest::qWaitFor([&] { return console->state().live.AcceptedFrames > seen + 2; }, ms);
    }
    QString keyIn() const { return console->messageLine().text(); }

    test::TempWorkDir dir;
    QtClock clock;
    test::ScriptedPrompts prompts;
    std::unique_ptr<Console> console;
    std::optional<TransferEnd> end;
};

TEST_F(ConsoleOnDeviceServer, Ser2netGoingAwayIsOneMessageWithABlankDisplayAndTheLinkComesBack) {
    SimProcess sim(QStringLiteral(VELMORIX_SIM_BINARY), dir.file(QStringLiteral("sim.log")));
    ASSERT_TRUE(sim.start(kFastLine));
    Ser2NetProcess ser2net;
    ASSERT_TRUE(ser2net.start(sim.path(), Ser2NetProcess::Mode::Rfc2217));
    link(ser2net.url(), kFastSetup);
    ASSERT_TRUE(framesAfter(0)) << prompts.messages.join(u'|').toStdString();
    const QString note = QStringLiteral("; 127.0.0.1:%1 did not confirm DTR on ;").arg(ser2net.port());
    EXPECT_EQ(console->link().refusalNote(), note);
    EXPECT_EQ(console->state().view.statusPanel1Hint,
              QStringLiteral("COM1 opens %1, a serial device server (RFC 2217); the server reports no modem "
                             "lines, so DSR and CTS count as on (as on a pseudo-terminal)")
                  .arg(ser2net.url()));
    EXPECT_TRUE(console->state().view.LabelDSRLit);
    EXPECT_NE(console->state().status.axes[0], QStringLiteral("----,---"));
    EXPECT_TRUE(sim.log().contains(QStringLiteral("the console opened the line")));
    const QStringList notes = console->wireLog().notes();
    ASSERT_FALSE(notes.isEmpty());
    EXPECT_TRUE(notes.front().startsWith(QStringLiteral("open %1 115200,N,8,1 at ").arg(ser2net.url())))
        << notes.front().toStdString();

    ser2net.kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.messages.isEmpty(); }, 5000));
    EXPECT_FALSE(QTest::qWaitFor([&] { return prompts.messages.size() > 1; }, 500));
    ASSERT_EQ(prompts.messages.size(), 1) << prompts.messages.join(u'|').toStdString();
    EXPECT_TRUE(
        prompts.messages.front().startsWith(QStringLiteral("Comm: 127.0.0.1:%1: ").arg(ser2net.port())))
        << prompts.messages.front().toStdString();
    EXPECT_EQ(console->state().status.axes[0], QStringLiteral("----,---"));
    EXPECT_FALSE(console->state().line.LinkUp);
    EXPECT_FALSE(console->Timer2().isEnabled());

    // The server is back: "Link to CNC" links again.
    ASSERT_TRUE(ser2net.start(sim.path(), Ser2NetProcess::Mode::Rfc2217, "38400e72", ser2net.port()));
    const quint64 seen = console->state().live.AcceptedFrames;
    console->LabelBackClick();
    console->LinktoCNCButtonClick();
    ASSERT_TRUE(framesAfter(seen)) << prompts.messages.join(u'|').toStdString();
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_NE(console->state().status.axes[0], QStringLiteral("----,---"));
}

// The in-process controller behind the tests' own RFC 2217 server, which tells the controller's DSR
// and CTS as NOTIFY-MODEMSTATE, as a device server in front of a real RS-232 line does.
class ControllerOnDeviceServer {
public:
    ControllerOnDeviceServer() : m_wire(m_controller) {
        m_wire.setConsoleSettings(m_controller.lineSettings());
        m_wire.reset(m_clock.nowUs());
        m_server.onData = [this](const QByteArray& bytes) { m_wire.consoleWrite(bytes, m_clock.nowUs()); };
        m_timer = m_clock.createTimer(1, [this] { tick(); });
        m_timer->setEnabled(true);
    }
    sim::SimulatedController& controller() { return m_controller; }
    QString url() const { return m_server.url(); }
    qint64 nowUs() const { return m_clock.nowUs(); }

private:
    void tick() {
        m_wire.sync(m_clock.nowUs());
        // The lines first: what the controller sends after its DSR went off must not pass ahead of it
        // when one tick carries both.
        m_server.setCts(m_wire.cts());
        m_server.setDsr(m_wire.dsr());
        m_server.send(m_wire.takeReceived(1 << 16));
    }

    QtClock m_clock;
    sim::SimulatedController m_controller;
    sim::Wire m_wire;
    test::DeviceServerPeer m_server;
    std::unique_ptr<Timer> m_timer;
};

TEST_F(ConsoleOnDeviceServer, ModemLinesOfTheServerMoveTheLinkAndADsrDropBreaksASendAsALocalOneDoes) {
    ControllerOnDeviceServer server;
    link(server.url(), QStringLiteral("142720"));
    ASSERT_TRUE(framesAfter(0)) << prompts.messages.join(u'|').toStdString();
    EXPECT_EQ(console->link().refusalNote(), QString());
    EXPECT_FALSE(console->state().view.statusPanel1Hint.contains(QStringLiteral("no modem lines")));

    sim::SimulatedController& c = server.controller();
    c.addFault({.kind = sim::Fault::DropDsr, .fromUs = server.nowUs(), .untilUs = server.nowUs() + 600000});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console->state().line.LinkUp; }, 2000));
    EXPECT_FALSE(console->state().view.LabelDSRLit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->state().line.LinkUp; }, 2000));
    ASSERT_TRUE(framesAfter(console->state().live.AcceptedFrames));

    c.addFault({.kind = sim::Fault::HoldCts, .fromUs = server.nowUs(), .untilUs = server.nowUs() + 600000});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console->state().line.CtsReady; }, 2000));
    EXPECT_FALSE(console->state().view.LabelCTSLit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return console->state().line.CtsReady; }, 2000));
    // Off at the open, on once the server said so, then each change.
    EXPECT_EQ(console->wireLog().lineChanges(), QStringList({"CTS off", "DSR off", "CTS on", "DSR on",
                                                             "DSR off", "DSR on", "CTS off", "CTS on"}));

    // The controller goes away as a send starts: its go-ahead is lost with DSR, and the watchdog
    // breaks the send, as the fault matrix has it for a local line.
    console->ButtonFileSvcClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console->paused(); }, 2000));
    console->GroupBoxOperateMouseDown(FilePage::Row::Send);
    dir.write(QStringLiteral("p.Cnc"), "%\r\nO0009\r\nG00 X1\r\nM30\r\n%\r\n");
    console->ComboBoxSendFileChange(0);
    prompts.openAnswers.push_back(dir.file(QStringLiteral("p.Cnc")));
    console->ButtonOpenFileClick();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !console->filePage().loading() && console->filePage().fileListed(); }, 5000));
    prompts.warningAnswer = {true, true};
    c.addFault({.kind = sim::Fault::DropDsr, .fromUs = server.nowUs(), .untilUs = server.nowUs() + 1500000});
    console->ButtonSendOutClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return end.has_value(); }, 5000));
    EXPECT_EQ(end->kind, TransferEnd::Kind::Failed);
    EXPECT_EQ(end->reason, QStringLiteral("link lost (DSR off)"));
    EXPECT_EQ(keyIn(), QStringLiteral("; .. DSR Off --> Break .. ;"));
    EXPECT_TRUE(c.files().stored(1001).isEmpty());
    // The line comes back and the live display with it.
    ASSERT_TRUE(framesAfter(console->state().live.AcceptedFrames));
}

} // namespace
} // namespace velmorix
