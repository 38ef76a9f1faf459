// velmorix-cli's commands run as separate programs against the built-in controller (its wire log says
// what became of each file), against velmorix-sim and against a controller played by the test on a
// pseudo-terminal.
#include "support/pty_pair.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class CliCommands : public ::testing::Test {
protected:
    CliRun cli(const QStringList& args, int timeoutMs = 60000) {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(QStringLiteral(VELMORIX_CLI_PATH), args);
        CliRun r;
        if (!p.waitForFinished(timeoutMs)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The built-in controller, its wire log kept.
    QStringList sim(const QString& log) { return {"--port", "simulator", "--sim-log", path(log), "--quiet"}; }

    QTemporaryDir m_dir;
};

// The bytes of one direction in a wire log.
QByteArray logged(const QByteArray& log, const char* mark) {
    static const QRegularExpression row(
        QStringLiteral("^ +(?:[0-9]+\\.[0-9]{3} ms)? +(>>>|<<<)  ((?:[0-9A-F]{2} )+) *\\|"),
        QRegularExpression::MultilineOption);
    QByteArray out;
    for (auto it = row.globalMatch(QString::fromUtf8(log)); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) == QLatin1String(mark))
            out += QByteArray::fromHex(m.captured(2).remove(QChar(' ')).toLatin1());
    }
    return out;
}

QByteArray bytes(int n, int step, int offset) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += static_cast<char>((i * step + offset) & 0xFF);
    return b;
}

} // namespace

TEST_F(CliCommands, SendsOfEveryKindAreConfirmedByTheController) {
    write("p.Cnc", "%\r\nO0009\r\nG00 X1 ;fast\r\nM30\r\n%\r\n");
    CliRun r = cli(QStringList{"send", "--type", "0:CNC", "p.Cnc"} + sim("text.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "sent p.Cnc as 0:CNC\n");
    EXPECT_TRUE(read("text.log").contains("stored 1001 p.Cnc: 25 bytes")) << read("text.log").toStdString();

    write("p.Plc", bytes(1000, 7, 1));
    r = cli(QStringList{"send", "--type", "3", "p.Plc"} + sim("hex.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(read("hex.log").contains("stored 1005 p.Plc: 1000 bytes"));

    write("fw.Bin", bytes(20, 3, 5));
    r = cli(QStringList{"send", "--type", "C:ARM", "fw.Bin"} + sim("arm.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(read("arm.log").contains("stored C:ARM: 20 bytes"));

    // The second half of a program as a run of its own.
    QByteArray program;
    for (int i = 1; i <= 2000; ++i)
        program += "N" + QByteArray::number(i) + " M01\r\n";
    write("d.Cnc", program);
    r = cli(
        QStringList{"send", "--type", "D:DNC", "d.Cnc", "--from-line", "1001", "--sim-fault", "SlowDnc=1"} +
        sim("dnc.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(read("dnc.log").contains("stored 1006 d.Cnc: 1000 lines; 0 overruns"));
    EXPECT_FALSE(QFile::exists(path("d.Cnc.dnc-resume"))); // a run that completes leaves no journal
}

TEST_F(CliCommands, ReceivesSaveByteExactAndNeverOverAnExistingFile) {
    CliRun r = cli(QStringList{"receive", "--type", "0"} + sim("r.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), path("O0001.Cnc").toLocal8Bit());
    EXPECT_EQ(read("O0001.Cnc"),
              "%\r\nO0001\r\nG90\r\nG00 X0 Y0\r\nG01 X50. F300\r\nG01 Y25.\r\nM30\r\n%\r\n");
    write("O0001.Cnc", "keep me");
    r = cli(QStringList{"receive", "--type", "0"} + sim("r.log"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("exists; name it with --output")) << r.err.toStdString();
    EXPECT_EQ(read("O0001.Cnc"), "keep me");

    r = cli(QStringList{"receive", "--type", "S:999", "--output", "par.999"} + sim("r.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read("par.999"), bytes(32, 5, 0));
    // "-": the file itself on standard output, byte for byte, and nothing else there.
    r = cli(QStringList{"receive", "--type", "S:999", "--output", "-"} + sim("r.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, bytes(32, 5, 0));
    r = cli(QStringList{"receive", "--type", "U:PLC", "--access-code", "zrtm64", "--output", "p.Plc"} +
            sim("r.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read("p.Plc"), "PLC-SIM1" + bytes(40, 7, 3));
}

TEST_F(CliCommands, PortsListsTheMappedDeviceServers) {
    QDir(m_dir.path()).mkpath("Config");
    write("Config/Environment.ini", "[ComPorts]\nCOM3=rfc2217://10.0.4.17:4001\nCOM4=tcp://10.0.4.17:4002\n"
                                    "COM5=rfc2217://10.0.4.17\n");
    const CliRun r = cli({"ports"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(
        "\nCOM3    rfc2217://10.0.4.17:4001  serial device server, RFC 2217 (settings and modem lines)\n"))
        << r.out.toStdString();
    EXPECT_TRUE(
        r.out.contains("\nCOM4    tcp://10.0.4.17:4002  serial device server, raw TCP (its own settings)\n"));
    EXPECT_TRUE(r.out.contains("\nCOM5    rfc2217://10.0.4.17   not a network port as written: "
                               "rfc2217://HOST:PORT or tcp://HOST:PORT\n"));
}

TEST_F(CliCommands, WatchWriteAndARefusedUpload) {
    CliRun r =
        cli(QStringList{"watch", "--count", "3", "--format", "csv", "--vars", "10991,12021"} + sim("w.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], "time,10991,12021");
    EXPECT_TRUE(lines[3].endsWith(",142857,125000")) << lines[3].toStdString();

    r = cli(QStringList{"write", "10037=5", "--wire-log", path("c.log")} + sim("w.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "10037=5\n");
    // The console's wire log and the controller's show the same bytes each way, up to what was still
    // on the line when the session ended.
    const QByteArray written = logged(read("c.log"), ">>>");
    const QByteArray arrived = logged(read("w.log"), ">>>");
    EXPECT_TRUE(written.contains("\x12%\rO9012\rN10037\rD00000005\r%\x14"));
    ASSERT_GT(arrived.size(), 100);
    EXPECT_EQ(written.left(arrived.size()), arrived);
    const QByteArray taken = logged(read("c.log"), "<<<");
    ASSERT_GT(taken.size(), 100);
    EXPECT_EQ(logged(read("w.log"), "<<<").left(taken.size()), taken);

    write("fw.Bin", bytes(20, 3, 5));
    r = cli(QStringList{"send", "--type", "C:ARM", "fw.Bin", "--sim-fault", "RefuseArmFrame=2"} +
            sim("a.log"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "controller refused frame 2\n");
}

TEST_F(CliCommands, ResetGoesOutAndAPortThatIsNotThereIsSaidInOneLine) {
    CliRun r = cli(QStringList{"reset"} + sim("reset.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(logged(read("reset.log"), ">>>").contains(QByteArray("\x14\t\t\t\t", 5)));

    r = cli({"watch", "--port", "/dev/no-such-tty", "--quiet"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.startsWith("Comm: /dev/no-such-tty: No such file or directory."))
        << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1);

    r = cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^velmorix-cli \\d+\\.\\d+\\.\\d+\\n$"))
                    .match(QString::fromLatin1(r.out))
                    .hasMatch())
        << r.out.toStdString();
}

TEST_F(CliCommands, BadUseExitsWithTwoAndOneLineSayingWhat) {
    write("d.Cnc", "G01 X1\r\nG01 X2\r\n");
    const QList<QStringList> uses{
        {"send", "--port", "simulator", "--type", "E:XYZ", "d.Cnc"},
        {"send", "--port", "simulator", "--type", "0", "missing.Cnc"},
        {"send", "--port", "simulator", "--type", "D:DNC", "d.Cnc", "--from-line", "0"},
        {"send", "--port", "simulator", "--type", "D:DNC", "d.Cnc", "--from-line", "3"},
        {"write", "--port", "simulator", "10037:5"},
        {"receive", "--port", "simulator", "--type", "U:PLC"},
        {"write", "--port", "simulator", "--wire-log", "no/such/dir/w.log", "10037=5"},
    };
    for (const QStringList& args : uses) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(CliCommands, CtrlCStopsARunCleanlyAndSaysWhereToResume) {
    QByteArray program;
    for (int i = 1; i <= 3000; ++i)
        program += "N" + QByteArray::number(i) + " M01\r\n";
    write("d.Cnc", program);
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(QStringLiteral(VELMORIX_CLI_PATH),
            QStringList{"send", "--type", "D:DNC", "d.Cnc"} + sim("c.log"));
    ASSERT_TRUE(p.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return read("c.log").contains("@READ"); }, 10000));
    QTest::qWait(500);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 130);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    const auto m =
        QRegularExpression(
            QStringLiteral("stopped after line (\\d+) had crossed; the controller may not have run "
                           "lines (\\d+)–(\\d+); resume with --from-line (\\d+)\\n"))
            .match(err);
    ASSERT_TRUE(m.hasMatch()) << err.toStdString();
    const int crossed = m.captured(1).toInt();
    const int resume = m.captured(4).toInt();
    EXPECT_EQ(m.captured(3).toInt(), crossed);
    EXPECT_EQ(m.captured(2).toInt(), resume);
    EXPECT_EQ(read("d.Cnc.dnc-resume"),
              QByteArray::number(crossed) + "\nresume " + QByteArray::number(resume) + "\n");
    // The tape ended with the reset signal, never with a mark that makes it a whole program, and the
    // line to resume from skips nothing the controller did not run.
    const auto aborted =
        QRegularExpression(QStringLiteral("aborted 1006 d.Cnc: reset after (\\d+) lines ran"))
            .match(QString::fromLatin1(read("c.log")));
    ASSERT_TRUE(aborted.hasMatch()) << "the controller did not break the run off";
    EXPECT_FALSE(read("c.log").contains("stored 1006"));
    EXPECT_GE(crossed, aborted.captured(1).toInt());
    EXPECT_LE(resume, aborted.captured(1).toInt());
}

TEST_F(CliCommands, ANameAnnouncedWithFoldersSavesOnlyInTheFolderAimedAt) {
    velmorix::test::PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QProcess p;
    const QString work = path("work");
    QDir().mkpath(work);
    p.setWorkingDirectory(work);
    p.start(QStringLiteral(VELMORIX_CLI_PATH),
            {"receive", "--port", pty.slavePath(), "--type", "0", "--quiet"});
    ASSERT_TRUE(p.waitForStarted());
    // The test plays the controller: once asked for the program it announces one with a path.
    ASSERT_TRUE(QTest::qWaitFor([&] { return pty.drain().contains("N10768"); }, 10000));
    pty.send("\x14@WRITE(../../etc/x)\x12%\rO0001\rG00\r%\x14");
    ASSERT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    EXPECT_EQ(read("work/x.Cnc"), "%\r\nO0001\r\nG00\r\n%\r\n");
    EXPECT_FALSE(QFile::exists(QDir(work).filePath("../../etc/x.Cnc")));
    EXPECT_FALSE(QFile::exists(path("etc/x.Cnc")));
}

TEST_F(CliCommands, SendAndReceiveThroughVelmorixSimOnAPseudoTerminal) {
    QProcess sim;
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(QStringLiteral(VELMORIX_SIM_BINARY), {"--log", path("pty.log")});
    ASSERT_TRUE(sim.waitForStarted());
    QString printed;
    const QRegularExpression where(QStringLiteral("controller on (\\S+)"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            printed += QString::fromLocal8Bit(sim.readAll());
            return where.match(printed).hasMatch();
        },
        10000));
    const QString device = where.match(printed).captured(1);
    write("p.Plc", bytes(300, 11, 2));
    CliRun r = cli({"send", "--port", device, "--type", "3:PLC", "p.Plc", "--quiet"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Over a pseudo-terminal the bytes leave the port at once and then take the line's time in
    // velmorix-sim; its log says when the program is stored.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return read("pty.log").contains("stored 1005 p.Plc: 300 bytes"); }, 10000))
        << read("pty.log").right(2000).toStdString();
    r = cli({"receive", "--port", device, "--type", "0", "--output", "back.Cnc", "--quiet"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(read("back.Cnc").startsWith("%\r\nO0001\r\n"));
    sim.terminate();
    sim.waitForFinished(10000);
}
