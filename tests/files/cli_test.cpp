#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VELMORIX_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(30000))
        return r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

class Cli : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = QDir(m_dir.path()).filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(Cli, PackWritesTheHexImageByteForByte) {
    const QString file = write("one.Plc", QByteArray("\x41", 1));
    const CliRun r = cli({"pack", "--type", "3:PLC", file});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QByteArray("4100\r0000\r0000\r0000\r0000\r0000\r0000\r0000\r"
                                "AAAA\rAAAA\rAAAA\rAAAA\r4C45\r4E3A\r0000\r0001\r"
                                "AAAA\rAAAA\rAAAA\rAAAA\r434B\r533A\r0000\r0041\r"));
    EXPECT_TRUE(r.err.isEmpty());
    // The index and any letter case name the same type.
    EXPECT_EQ(cli({"pack", "--type", "3", file}).out, r.out);
    EXPECT_EQ(cli({"pack", file, "--type", "b:999"}).out, r.out);
}

TEST_F(Cli, PackListWritesTheListLinesEachEndedByLf) {
    const QString file = write("one.Plc", QByteArray("\x41", 1));
    const CliRun r = cli({"pack", "--type", "3:plc", file, "--list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ";[000000] 41-00 00-00 00-00 00-00 00-00 00-00 00-00 00-00    A               \n"
                     ";[000016] AA-AA AA-AA AA-AA AA-AA 4C-45 4E-3A 00-00 00-01   LEN: 0000-0001\n"
                     ";[000032] AA-AA AA-AA AA-AA AA-AA 43-4B 53-3A 00-00 00-41   CKS: 0000-0041\n");
}

TEST_F(Cli, PackOfTextDncAndRawTypes) {
    const QString text = write("a.Cnc", "G00;go\r\nG01\r\n");
    EXPECT_EQ(cli({"pack", "--type", "0:CNC", text}).out, QByteArray("G00\r\nG01"));
    EXPECT_EQ(cli({"pack", "--type", "9", text, "--list"}).out, QByteArray(";[00000001] G00;go\n"
                                                                           ";[00000002] \r\nG01\n"));

    const QString dnc = write("d.Cnc", "G01 X1;fast\r\nG02\r\nM30\r\n");
    EXPECT_EQ(cli({"pack", "--type", "D:DNC", dnc}).out, QByteArray("\x12G01 X1\rG02\rM30\r\x14"));

    const QByteArray raw("\x00\xFF\r\n\x1A\x80zz", 8);
    const QString bin = write("fw.Bin", raw);
    const CliRun r = cli({"pack", "--type", "c:arm", bin});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, raw);
    EXPECT_EQ(cli({"pack", "--type", "12", bin, "--list"}).out,
              QDir(m_dir.path()).absoluteFilePath("fw.Bin").toLocal8Bit() + "\n");
}

TEST_F(Cli, UnknownTypeOrUnreadableFileExitsWithTwoAndOneLine) {
    const QString file = write("one.Plc", "A");
    for (const QStringList& args :
         {QStringList{"pack", "--type", "E:XYZ", file}, QStringList{"pack", "--type", "14", file},
          QStringList{"pack", "--type", "3:PLC", file + ".missing"}, QStringList{"pack", file},
          QStringList{"frobnicate"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith('\n'));
    }
}

TEST_F(Cli, HelpNamesEveryCommandAndEachCommandExplainsItsOptions) {
    const CliRun r = cli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"send", "receive", "watch", "write", "mdi", "ports", "pack"})
        EXPECT_TRUE(r.out.contains(QByteArray("  ") + command + " ")) << command;
    const CliRun send = cli({"send", "--help"});
    EXPECT_EQ(send.status, 0);
    for (const char* option : {"--port", "--setup", "--type", "--flash", "--from-line", "--quiet"})
        EXPECT_TRUE(send.out.contains(option)) << option;
    EXPECT_TRUE(send.out.startsWith("Usage: velmorix-cli send"));
    EXPECT_TRUE(cli({"pack", "--help"}).out.contains("--list"));
}
