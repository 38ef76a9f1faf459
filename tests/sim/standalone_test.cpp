#include "sim_fixture.h"

#include "sim/faults.h"
#include "support/processes.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

using namespace velmorix::sim::test;
using velmorix::sim::allFaults;
using velmorix::sim::Fault;
using velmorix::sim::faultName;

// Reads the terminal into `got` until `needle` shows after `from`, within 10 s.
bool readUntil(int fd, QByteArray& got, const QByteArray& needle, qsizetype from = 0) {
    const QDeadlineTimer deadline(10000);
    while (got.indexOf(needle, from) < 0 && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) > 0) {
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
    }
    return got.indexOf(needle, from) >= 0;
}

TEST(StandaloneSimulator, ServesOnAPseudoTerminalLogsWhatBecameOfAFileAndStopsOnSignal) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString logPath = dir.filePath(QStringLiteral("wire.log"));
    velmorix::test::SimProcess sim(QStringLiteral(VELMORIX_SIM_BINARY), logPath);
    ASSERT_TRUE(sim.start({QStringLiteral("--serial"), QStringLiteral("77")}));
    const int fd = ::open(sim.path().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const auto send = [fd](const QByteArray& bytes) {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    };
    ASSERT_TRUE(send(kLinkReset + monitorRequest("v1\rD10991")));
    QByteArray got;
    // Serial number 77.
    EXPECT_TRUE(readUntil(fd, got, "\x12%\rO9000\rH00000001\rv001d0000004=\r%\x14")) << got.toStdString();
    // A PLC program of one byte, then a link again: its first frame comes after the file was taken.
    ASSERT_TRUE(send(announce("A.Plc", "000003>=") + "\x12%\rO9003\r" + kImageOf41 + "%\x14" + kLinkReset +
                     monitorRequest("v0")));
    const qsizetype handshake = got.size();
    EXPECT_TRUE(readUntil(fd, got, "v000%\x14", handshake)) << got.mid(handshake).toStdString();
    // A program written in one go and the terminal closed at once: what was written before the close
    // still arrives (a port's close waits for its output), and the line is lost only after it.
    ASSERT_TRUE(send(kLinkReset + announce("B1.Cnc", "000003>9")));
    EXPECT_TRUE(readUntil(fd, got, "@READ(B1.Cnc)", handshake));
    QByteArray body = "\x12%\rO0002\r";
    for (int i = 0; i < 150; ++i)
        body += "G01 X" + QByteArray::number(i) + "\r";
    ASSERT_TRUE(send(body + "M30\r%\x14"));
    ::close(fd);
    EXPECT_TRUE(sim.waitFor(QStringLiteral("the console closed the line"), 5000).hasMatch());

    sim.stop();
    EXPECT_EQ(sim.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.process().exitCode(), 0);
    EXPECT_TRUE(sim.process().readAll().contains("velmorix-sim: stopped: 2 stored, 0 refused, 0 overruns"));
    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains(" ms  ---  stored 1005 A.Plc: 1 bytes, sum 65; 0 overruns\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(" ms  ---  stored 1001 B1.Cnc: "));
    EXPECT_TRUE(text.endsWith(" ms  ---  stopped: 2 stored, 0 refused, 0 overruns\n"));
}

TEST(StandaloneSimulator, HelpNamesEveryOptionAndFault) {
    const velmorix::test::ProgramRun r = velmorix::test::runProgram(QStringLiteral(VELMORIX_SIM_BINARY), {},
                                                                    {QStringLiteral("--help")}, 10000);
    ASSERT_EQ(r.status, 0);
    const QString help = QString::fromLocal8Bit(r.out);
    for (const char* word : {"--device", "--link", "--baud", "--parity", "--data-bits", "--stop-bits",
                             "--interval", "--input-rate", "--input-buffer", "--xoff-mark", "--xon-mark",
                             "--dnc-line-ms", "--fault", "--log", "--serial", "--type", "[ComPorts]"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;
    // Every fault the simulator knows, each on a line of its own.
    for (const Fault f : allFaults())
        EXPECT_TRUE(help.contains(QStringLiteral("\n  ") + faultName(f) + QLatin1Char(' ')))
            << faultName(f).toStdString();
}

} // namespace
