#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/qt_serial_port.h"
#include "support/pty_pair.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

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

    // Starts the console as "142720 GO" does and waits for the link reset on the line (the request
    // after it is tests/core's, and the link to a real controller tests/e2e/real_line_test.cpp's).
    void linkAtStartup() {
        console->FormCreate(StartupInputs{{QStringLiteral("142720"), QStringLiteral("GO")}, 20});
        ASSERT_TRUE(console->link().port() && console->link().port()->isOpen());
        const QByteArray line = pty.receive(25);
        ASSERT_GE(line.size(), 25);
        EXPECT_EQ(line.left(25),
                  QByteArray("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03"));
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
};

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
