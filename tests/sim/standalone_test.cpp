#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

// Reads what the program has printed until `pattern` matches, within 10 s.
QString waitForOutput(QProcess& proc, const QRegularExpression& pattern) {
    QString seen;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        seen += QString::fromLocal8Bit(proc.readAll());
        const auto m = pattern.match(seen);
        if (m.hasMatch())
            return m.captured(1);
        if (proc.state() == QProcess::NotRunning)
            break;
        proc.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return {};
}

TEST(StandaloneSimulator, ServesAMonitorRequestOnAPseudoTerminalAndStopsOnSignal) {
    QProcess proc;
    proc.setProcessChannelMode(QProcess::MergedChannels);
    struct Reaper {
        QProcess& p;
        ~Reaper() {
            if (p.state() != QProcess::NotRunning) {
                p.kill();
                p.waitForFinished(10000);
            }
        }
    } reaper{proc};
    proc.start(QStringLiteral(VELMORIX_SIM_BINARY), {QStringLiteral("--serial"), QStringLiteral("77")});
    ASSERT_TRUE(proc.waitForStarted(10000));
    const QString path = waitForOutput(proc, QRegularExpression(QStringLiteral("controller on (\\S+)")));
    ASSERT_FALSE(path.isEmpty());

    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const QByteArray request("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03"
                             "\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv1\rD10991\r%\x14\x03\x03\x03\x03\x03");
    ASSERT_EQ(::write(fd, request.constData(), size_t(request.size())), request.size());
    const QByteArray frame("\x12%\rO9000\rH00000001\rv001d0000004=\r%\x14"); // serial number 77
    QByteArray got;
    const QDeadlineTimer deadline(10000);
    while (!got.contains(frame) && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(deadline.remainingTime())) > 0) {
            char buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0)
                got.append(buf, n);
        }
    }
    ::close(fd);
    EXPECT_TRUE(got.contains(frame)) << got.toStdString();

    proc.terminate();
    ASSERT_TRUE(proc.waitForFinished(10000));
    EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(proc.exitCode(), 0);
    EXPECT_TRUE(proc.readAll().contains("velmorix-sim: stopped"));
}

TEST(StandaloneSimulator, HelpNamesEveryOptionAndFault) {
    QProcess proc;
    proc.start(QStringLiteral(VELMORIX_SIM_BINARY), {QStringLiteral("--help")});
    ASSERT_TRUE(proc.waitForFinished(10000));
    const QString help = QString::fromLocal8Bit(proc.readAllStandardOutput());
    for (const char* word : {"--device",
                             "--link",
                             "--baud",
                             "--parity",
                             "--data-bits",
                             "--stop-bits",
                             "--interval",
                             "--input-rate",
                             "--dnc-line-ms",
                             "--fault",
                             "--log",
                             "--serial",
                             "--type",
                             "DropDsr",
                             "HoldCts",
                             "XoffStorm",
                             "NoiseBetweenFrames",
                             "TruncatedFrame",
                             "WrongLengthFrame",
                             "StaleSequence",
                             "ErrorNumber",
                             "SilentHandshake",
                             "RefuseArmFrame",
                             "SlowDnc",
                             "BadServedChecksum",
                             "[ComPorts]"})
        EXPECT_TRUE(help.contains(QLatin1String(word))) << word;
}

} // namespace
