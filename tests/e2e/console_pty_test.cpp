#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <ctime>

namespace velmorix {
namespace {

using test::PtyPair;

// The whole console on a pseudo-terminal: Environment.ini maps COM1 to the pty's slave and the
// test plays the controller on the master.
class ConsoleOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.isValid());
        dir.write(QStringLiteral("Config/Environment.ini"),
                  "[ComPorts]\nCOM1=" + pty.slavePath().toLocal8Bit() + "\n");
        console = std::make_unique<Console>(
            clock, prompts, [](const QString& device) { return std::make_unique<QtSerialPort>(device); },
            dir.path());
    }

    // Starts the console as "142720 GO" does and waits for the link reset on the line.
    void linkAtStartup() {
        console->FormCreate(StartupInputs{{QStringLiteral("142720"), QStringLiteral("GO")}, 20});
        ASSERT_TRUE(console->link().port() && console->link().port()->isOpen());
        const QByteArray line = pty.receive(25);
        ASSERT_GE(line.size(), 25);
        EXPECT_EQ(line.left(25),
                  QByteArray("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03"));
        afterReset = line.mid(25);
    }

    static qint64 cpuTimeUs() {
        timespec ts{};
        ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
    }

    PtyPair pty;
    test::TempWorkDir dir;
    QtClock clock;
    test::ScriptedPrompts prompts;
    std::unique_ptr<Console> console;
    QByteArray afterReset;
};

TEST_F(ConsoleOverPty, LinkAtStartupSendsTheLinkResetThenTheMonitorRequest) {
    linkAtStartup();
    EXPECT_TRUE(console->state().line.LinkUp);
    EXPECT_TRUE(console->state().line.CtsReady);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();

    const QByteArray monitorStart("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv22\rD12021");
    afterReset += pty.receive(monitorStart.size() - afterReset.size());
    EXPECT_TRUE(afterReset.startsWith(monitorStart)) << afterReset.toStdString();
}

TEST_F(ConsoleOverPty, LostPeerIsReportedOnceAndTheConsoleGoesIdle) {
    linkAtStartup();
    ASSERT_TRUE(console->Timer2().isEnabled());
    ASSERT_TRUE(prompts.messages.isEmpty());

    pty.closeMaster();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !prompts.messages.isEmpty(); }, 5000));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages.front().startsWith(QStringLiteral("Comm: ")))
        << prompts.messages.front().toStdString();
    EXPECT_FALSE(console->state().line.LinkUp);
    EXPECT_FALSE(console->state().line.CtsReady);
    EXPECT_FALSE(console->Timer2().isEnabled());
    EXPECT_FALSE(console->link().port()->isOpen());

    // Nothing more happens, and the dead line does not keep the process busy.
    const qint64 cpuBefore = cpuTimeUs();
    test::runEventLoopFor(500);
    const qint64 cpuUsed = cpuTimeUs() - cpuBefore;
    EXPECT_EQ(prompts.messages.size(), 1) << prompts.messages.join(u'|').toStdString();
    EXPECT_FALSE(console->state().line.LinkUp);
    EXPECT_LT(cpuUsed, 250000) << "the event loop kept spinning";
}

} // namespace
} // namespace velmorix

namespace velmorix {
namespace {

// The console and velmorix-sim, each a real program on its side of a pseudo-terminal.
TEST(ConsoleAndSimulatorOverPty, A64KiBProgramArrivesIntactAtLineRate) {
    test::TempWorkDir dir;
    const QString logPath = dir.file(QStringLiteral("wire.log"));
    QProcess sim;
    struct Reaper {
        QProcess& p;
        ~Reaper() {
            if (p.state() != QProcess::NotRunning) {
                p.kill();
                p.waitForFinished(10000);
            }
        }
    } reaper{sim};
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(QStringLiteral(VELMORIX_SIM_BINARY), {"--baud", "115200", "--parity", "none", "--data-bits",
                                                    "8", "--stop-bits", "1", "--log", logPath});
    ASSERT_TRUE(sim.waitForStarted(10000));
    QString printed;
    const QRegularExpression where(QStringLiteral("controller on (\\S+)"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            printed += QString::fromLocal8Bit(sim.readAll());
            return where.match(printed).hasMatch();
        },
        10000));
    dir.write(QStringLiteral("Config/Environment.ini"),
              "[ComPorts]\nCOM1=" + where.match(printed).captured(1).toLocal8Bit() + "\n");

    QByteArray program;
    quint32 sum = 0;
    for (int i = 0; i < 65536; ++i) {
        program += static_cast<char>((i * 7 + i / 256) & 0xFF);
        sum += static_cast<quint8>(program.back());
    }
    dir.write(QStringLiteral("big.Plc"), program);

    QtClock clock;
    test::ScriptedPrompts prompts;
    Console console(
        clock, prompts, [](const QString& device) { return std::make_unique<QtSerialPort>(device); },
        dir.path());
    console.FormCreate(StartupInputs{{QStringLiteral("160810"), QStringLiteral("GO")}, 20});
    ASSERT_TRUE(console.link().port() && console.link().port()->isOpen());
    console.ButtonFileSvcClick();
    test::runEventLoopFor(400);
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    console.ComboBoxSendFileChange(3);
    prompts.openAnswers.push_back(dir.file(QStringLiteral("big.Plc")));
    console.ButtonOpenFileClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !console.filePage().loading(); }, 10000));
    console.ButtonSendOutClick();

    // 163,920 characters at 11,520 a second.
    const QByteArray expected =
        " ms  ---  stored 1005 big.Plc: 65536 bytes, sum " + QByteArray::number(sum) + "; 0 overruns";
    QFile log(logPath);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (!log.isOpen())
                log.open(QIODevice::ReadOnly);
            return log.isOpen() && (log.seek(0), log.readAll().contains(expected));
        },
        60000))
        << "the simulator did not report the program stored intact";
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
    console.FormDestroy();
}

} // namespace
} // namespace velmorix
