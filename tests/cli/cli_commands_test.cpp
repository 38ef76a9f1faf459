// velmorix-cli's commands run as separate programs: pack on its own (standard output byte for byte),
// the others against the built-in controller (its wire log says what became of each file) and against
// a controller played by the test on a pseudo-terminal. velmorix-sim on a pseudo-terminal is
// tests/e2e's.
#include "support/processes.h"
#include "support/pty_pair.h"
#include "support/temp_workdir.h"
#include "support/wire_log_rows.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csignal>

namespace {

using velmorix::test::loggedBytes;
using velmorix::test::ProgramRun;

class CliCommands : public ::testing::Test {
protected:
    ProgramRun cli(const QStringList& args, int timeoutMs = 60000,
                   const std::function<void(QProcess&)>& whileRunning = {}) {
        return velmorix::test::runProgram(QStringLiteral(VELMORIX_CLI_PATH), dir.path(), args, timeoutMs,
                                          whileRunning);
    }
    QString path(const QString& name) const { return dir.file(name); }
    void write(const QString& name, const QByteArray& bytes) { dir.write(name, bytes); }
    QByteArray read(const QString& name) const { return dir.read(name); }
    // The built-in controller, its wire log kept.
    QStringList sim(const QString& log) { return {"--port", "simulator", "--sim-log", path(log), "--quiet"}; }

    velmorix::test::TempWorkDir dir;
};

QByteArray bytes(int n, int step, int offset) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += static_cast<char>((i * step + offset) & 0xFF);
    return b;
}

} // namespace

TEST_F(CliCommands, PackWritesWhatTheConsoleMakesOfAFileByteForByte) {
    write("one.Plc", QByteArray("\x41", 1));
    const ProgramRun hex = cli({"pack", "--type", "3:PLC", path("one.Plc")});
    EXPECT_EQ(hex.status, 0);
    EXPECT_EQ(hex.out, QByteArray("4100\r0000\r0000\r0000\r0000\r0000\r0000\r0000\r"
                                  "AAAA\rAAAA\rAAAA\rAAAA\r4C45\r4E3A\r0000\r0001\r"
                                  "AAAA\rAAAA\rAAAA\rAAAA\r434B\r533A\r0000\r0041\r"));
    EXPECT_TRUE(hex.err.isEmpty());
    // The index and any letter case name the same type.
    EXPECT_EQ(cli({"pack", "--type", "3", "one.Plc"}).out, hex.out);
    EXPECT_EQ(cli({"pack", "one.Plc", "--type", "b:999"}).out, hex.out);
    // --list: the lines the page lists, each ended by LF.
    EXPECT_EQ(cli({"pack", "--type", "3:plc", "one.Plc", "--list"}).out,
              ";[000000] 41-00 00-00 00-00 00-00 00-00 00-00 00-00 00-00    A               \n"
              ";[000016] AA-AA AA-AA AA-AA AA-AA 4C-45 4E-3A 00-00 00-01   LEN: 0000-0001\n"
              ";[000032] AA-AA AA-AA AA-AA AA-AA 43-4B 53-3A 00-00 00-41   CKS: 0000-0041\n");

    write("a.Cnc", "G00;go\r\nG01\r\n");
    EXPECT_EQ(cli({"pack", "--type", "0:CNC", "a.Cnc"}).out, QByteArray("G00\r\nG01"));
    EXPECT_EQ(cli({"pack", "--type", "9", "a.Cnc", "--list"}).out, QByteArray(";[00000001] G00;go\n"
                                                                              ";[00000002] \r\nG01\n"));
    write("d.Cnc", "G01 X1;fast\r\nG02\r\nM30\r\n");
    EXPECT_EQ(cli({"pack", "--type", "D:DNC", "d.Cnc"}).out, QByteArray("\x12G01 X1\rG02\rM30\r\x14"));
    const QByteArray raw("\x00\xFF\r\n\x1A\x80zz", 8);
    write("fw.Bin", raw);
    EXPECT_EQ(cli({"pack", "--type", "c:arm", "fw.Bin"}).out, raw);
    EXPECT_EQ(cli({"pack", "--type", "12", path("fw.Bin"), "--list"}).out,
              path("fw.Bin").toLocal8Bit() + "\n");
}

// A whole hex image and a whole DNC run are also sent over a pseudo-terminal in tests/e2e.
TEST_F(CliCommands, SendsOfEveryKindAreConfirmedByTheController) {
    write("p.Cnc", "%\r\nO0009\r\nG00 X1 ;fast\r\nM30\r\n%\r\n");
    ProgramRun r = cli(QStringList{"send", "--type", "0:CNC", "p.Cnc"} + sim("text.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "sent p.Cnc as 0:CNC\n");
    EXPECT_TRUE(read("text.log").contains("stored 1001 p.Cnc: 25 bytes")) << read("text.log").toStdString();

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
    ProgramRun r = cli(QStringList{"receive", "--type", "0"} + sim("r.log"));
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
    QDir(dir.path()).mkpath("Config");
    write("Config/Environment.ini", "[ComPorts]\nCOM3=rfc2217://10.0.4.17:4001\nCOM4=tcp://10.0.4.17:4002\n"
                                    "COM5=rfc2217://10.0.4.17\n");
    const ProgramRun r = cli({"ports"});
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
    ProgramRun r =
        cli(QStringList{"watch", "--count", "3", "--format", "csv", "--vars", "10991,12021"} + sim("w.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QList<QByteArray> lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4) << r.out.toStdString();
    EXPECT_EQ(lines[0], "time,10991,12021");
    EXPECT_TRUE(lines[3].endsWith(",142857,125000")) << lines[3].toStdString();

    r = cli(QStringList{"write", "10037=5", "--wire-log", path("c.log")} + sim("w.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "10037=5\n");
    // The console's wire log holds the session from its first byte, as the controller's does (both
    // directions are compared in tests/ports/wire_log_test.cpp).
    const QByteArray written = loggedBytes(read("c.log"), ">>>");
    const QByteArray arrived = loggedBytes(read("w.log"), ">>>");
    EXPECT_TRUE(written.contains("\x12%\rO9012\rN10037\rD00000005\r%\x14"));
    ASSERT_GT(arrived.size(), 100);
    EXPECT_EQ(written.left(arrived.size()), arrived);

    write("fw.Bin", bytes(20, 3, 5));
    r = cli(QStringList{"send", "--type", "C:ARM", "fw.Bin", "--sim-fault", "RefuseArmFrame=2"} +
            sim("a.log"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "controller refused frame 2\n");
}

TEST_F(CliCommands, ResetGoesOutAndAPortThatIsNotThereIsSaidInOneLine) {
    ProgramRun r = cli(QStringList{"reset"} + sim("reset.log"));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(loggedBytes(read("reset.log"), ">>>").contains(QByteArray("\x14\t\t\t\t", 5)));

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
        {"frobnicate"},
        {"pack", "--type", "E:XYZ", "d.Cnc"},
        {"pack", "--type", "14", "d.Cnc"},
        {"pack", "--type", "3:PLC", "missing.Plc"},
        {"pack", "d.Cnc"},
        {"send", "--port", "simulator", "--type", "E:XYZ", "d.Cnc"},
        {"send", "--port", "simulator", "--type", "0", "missing.Cnc"},
        {"send", "--port", "simulator", "--type", "D:DNC", "d.Cnc", "--from-line", "0"},
        {"send", "--port", "simulator", "--type", "D:DNC", "d.Cnc", "--from-line", "3"},
        {"write", "--port", "simulator", "10037:5"},
        {"receive", "--port", "simulator", "--type", "U:PLC"},
        {"write", "--port", "simulator", "--wire-log", "no/such/dir/w.log", "10037=5"},
    };
    for (const QStringList& args : uses) {
        const ProgramRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith('\n'));
        EXPECT_TRUE(r.out.isEmpty());
    }
}

TEST_F(CliCommands, HelpNamesEveryCommandAndEachCommandExplainsItsOptions) {
    const ProgramRun r = cli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"send", "receive", "watch", "write", "mdi", "ports", "pack"})
        EXPECT_TRUE(r.out.contains(QByteArray("  ") + command + " ")) << command;
    const ProgramRun send = cli({"send", "--help"});
    EXPECT_EQ(send.status, 0);
    for (const char* option : {"--port", "--setup", "--type", "--flash", "--from-line", "--quiet"})
        EXPECT_TRUE(send.out.contains(option)) << option;
    EXPECT_TRUE(send.out.startsWith("Usage: velmorix-cli send"));
    EXPECT_TRUE(cli({"pack", "--help"}).out.contains("--list"));
}

TEST_F(CliCommands, CtrlCStopsARunCleanlyAndSaysWhereToResume) {
    QByteArray program;
    for (int i = 1; i <= 3000; ++i)
        program += "N" + QByteArray::number(i) + " M01\r\n";
    write("d.Cnc", program);
    bool filled = false;
    const ProgramRun r =
        cli(QStringList{"send", "--type", "D:DNC", "d.Cnc"} + sim("c.log"), 10000, [&](QProcess& p) {
            // Once the controller holds the console back with its buffer full of lines, some of them run.
            filled = QTest::qWaitFor([&] { return read("c.log").contains("---  XOFF: "); }, 10000);
            ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        });
    ASSERT_TRUE(filled);
    EXPECT_EQ(r.status, 130);
    const QString err = QString::fromLocal8Bit(r.err);
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
    const QString work = path("work");
    QDir().mkpath(work);
    const ProgramRun r = velmorix::test::runProgram(
        QStringLiteral(VELMORIX_CLI_PATH), work,
        {"receive", "--port", pty.slavePath(), "--type", "0", "--quiet"}, 15000, [&](QProcess&) {
            // The test plays the controller: once asked for the program it announces one with a path.
            if (QTest::qWaitFor([&] { return pty.drain().contains("N10768"); }, 10000))
                pty.send("\x14@WRITE(../../etc/x)\x12%\rO0001\rG00\r%\x14");
        });
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(read("work/x.Cnc"), "%\r\nO0001\r\nG00\r\n%\r\n");
    EXPECT_FALSE(QFile::exists(QDir(work).filePath("../../etc/x.Cnc")));
    EXPECT_FALSE(QFile::exists(path("etc/x.Cnc")));
}
