#include "serial/line_check.h"
#include "serial/port_facts.h"
#include "serial/qt_serial_port.h"
#include "serial/serial_os_posix.h"
#include "support/port_events.h"
#include "support/pty_pair.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <termios.h>
#include <unistd.h>

namespace velmorix {
namespace {

using test::PtyPair;

PortSettings settingsFor(const PtyPair& pty) {
    PortSettings s;
    s.name = pty.slavePath();
    return s;
}

TEST(QtSerialPortOnPty, OpensWithEveryLineSettingAndAppliesWhatThePtyKeeps) {
    struct Case {
        qint32 rate;
        Parity parity;
        int dataBits;
        int stopBits;
        bool flow;
    };
    const Case cases[] = {
        {38400, Parity::Even, 7, 2, true},  {28800, Parity::Mark, 7, 2, true},
        {9600, Parity::Space, 8, 1, false}, {115200, Parity::Odd, 7, 1, true},
        {19200, Parity::None, 8, 2, true},  {57600, Parity::Mark, 8, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        PtyPair pty;
        ASSERT_TRUE(pty.isValid());
        // A fresh terminal starts with XON/XOFF on; the port must take it off.
        ASSERT_NE(pty.slaveTermios().c_iflag & IXON, 0u);
        QtSerialPort port;
        PortSettings s = settingsFor(pty);
        s.baudRate = c.rate;
        s.customRate = c.rate == 28800;
        s.parity = c.parity;
        s.dataBits = c.dataBits;
        s.stopBits = c.stopBits;
        s.hardwareFlow = c.flow;
        port.setSettings(s);
        ASSERT_TRUE(port.open()) << port.errorString().toStdString();
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(port.settings(), s);
        // It keeps neither the data bits nor the parity, yet a pseudo-terminal is never said to refuse.
        EXPECT_EQ(port.refusedSettings(), QStringList());

        // A pseudo-terminal forces 8 bits without parity enable, but keeps the rest.
        const termios t = pty.slaveTermios();
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.flow);
        EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.stopBits == 2);
        EXPECT_EQ((t.c_cflag & CMSPAR) != 0, c.parity == Parity::Mark || c.parity == Parity::Space);
        EXPECT_EQ((t.c_cflag & PARODD) != 0, c.parity == Parity::Mark || c.parity == Parity::Odd);
        if (c.rate == 28800) {
            // BOTHER: the rate is given as a number rather than a B-constant.
            EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(0010000));
        } else {
            const std::map<int, speed_t> standard = {
                {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}};
            EXPECT_EQ(cfgetospeed(&t), standard.at(c.rate));
        }
    }
}

TEST(QtSerialPortLineCheck, NamesEachSettingTheDriverDidNotKeep) {
    PortSettings wanted;
    wanted.baudRate = 28800;
    wanted.customRate = true;
    wanted.parity = Parity::Mark;
    wanted.dataBits = 7;
    wanted.stopBits = 2;
    wanted.hardwareFlow = true;
    termios kept{};
    kept.c_cflag = tcflag_t(0010000) | CS7 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CREAD | CLOCAL;
    EXPECT_EQ(refusedLineSettings(wanted, kept), QStringList());

    termios t = kept;
    t.c_cflag &= ~tcflag_t(CMSPAR | CRTSCTS); // a UART without stick parity and a cable without RTS/CTS
    EXPECT_EQ(refusedLineSettings(wanted, t), QStringList({"mark parity", "RTS/CTS flow control"}));
    t = kept;
    t.c_cflag = (t.c_cflag & ~tcflag_t(CBAUD | CBAUDEX)) | B38400; // rounded to the nearest standard rate
    EXPECT_EQ(refusedLineSettings(wanted, t), QStringList({"28800 baud"}));

    wanted.baudRate = 9600;
    wanted.customRate = false;
    wanted.parity = Parity::Space;
    wanted.dataBits = 8;
    wanted.stopBits = 1;
    wanted.hardwareFlow = false;
    t = {};
    t.c_cflag = B9600 | CS8 | PARENB | CMSPAR;
    EXPECT_EQ(refusedLineSettings(wanted, t), QStringList());
    t.c_cflag = B9600 | CS7 | PARENB | CSTOPB; // space parity came back as even, 7 bits, 2 stop bits
    EXPECT_EQ(refusedLineSettings(wanted, t), QStringList({"8 data bits", "space parity", "1 stop bit"}));
}

// What is found out about a device that is not there, or not theirs; the words the operator reads
// from it are tests/core's (console_link_test.cpp).
TEST(QtSerialPortOpenFailure, AMissingDeviceIsFoundMissingWithTheDevicesPresent) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("ttyUSB9");
    QtSerialPort port(missing);
    test::PortEvents log;
    log.attach(port);
    ASSERT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_FALSE(port.errorString().isEmpty());
    EXPECT_TRUE(log.seen.isEmpty());
    EXPECT_EQ(port.write(QByteArray("x")), -1);
    const PortFacts gone = inspectPort(missing);
    EXPECT_EQ(gone.problem, PortFacts::Problem::Missing);
    EXPECT_EQ(gone.devices, serialDevices());
}

TEST(QtSerialPortOpenFailure, ADeviceWithoutPermissionIsFoundWithItsGroup) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens a file without permissions all the same";
    // A file nobody may use stands in for a tty of a group the user is not in.
    QTemporaryDir dir;
    const QString locked = dir.filePath("ttyS0");
    {
        QFile f(locked);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    QtSerialPort lockedPort(locked);
    ASSERT_FALSE(lockedPort.open());
    const PortFacts denied = inspectPort(locked);
    EXPECT_EQ(denied.problem, PortFacts::Problem::NoPermission);
    const group* g = ::getgrgid(::getegid());
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(denied.group, QString::fromLocal8Bit(g->gr_name));
    const passwd* me = ::getpwuid(::getuid());
    ASSERT_NE(me, nullptr);
    EXPECT_EQ(denied.user, QString::fromLocal8Bit(me->pw_name));
    EXPECT_EQ(denied.owner, denied.user);
    EXPECT_EQ(denied.mode, 0);
}

TEST(QtSerialPortOnPty, NewSettingsTakeEffectWhileOpen) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    PortSettings s = settingsFor(pty);
    port.setSettings(s);
    ASSERT_TRUE(port.open());
    const termios before = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&before), speed_t(B38400));
    s.baudRate = 9600;
    s.stopBits = 1;
    s.hardwareFlow = false;
    port.setSettings(s);
    const termios t = pty.slaveTermios();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | IXANY), 0u);

    // Another device name moves the open port there.
    PtyPair other;
    ASSERT_TRUE(other.isValid());
    s.name = other.slavePath();
    port.setSettings(s);
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(port.write(QByteArray("moved")), 5);
    EXPECT_EQ(other.receive(5), QByteArray("moved"));
    EXPECT_EQ(pty.drain(), QByteArray());
}

TEST(QtSerialPortOnPty, CarriesBytesBothWaysUntouchedIncludingXonXoff) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    port.setSettings(settingsFor(pty));
    ASSERT_TRUE(port.open());

    // Out: control bytes, CR/LF and 8-bit values go on the line as they are.
    const QByteArray out("\x02\x02%\rO9000\r\n\x13\x11\x00\x7f\x80\xff\x03", 18);
    EXPECT_EQ(port.write(out), 18);
    EXPECT_EQ(pty.receive(18), out);

    // In: XOFF and XON are data, not flow control; nothing is translated.
    const QByteArray in("\x13"
                        "abc\r\n\x11\x00\xff\x04",
                        10);
    ASSERT_TRUE(pty.send(in));
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.inputCount() >= 10; }));
    EXPECT_EQ(port.inputCount(), 10);
    EXPECT_EQ(port.read(4), QByteArray("\x13"
                                       "abc"));
    EXPECT_EQ(port.inputCount(), 6);
    EXPECT_EQ(port.read(100), QByteArray("\r\n\x11\x00\xff\x04", 6));
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_EQ(port.read(100), QByteArray());

    // After XOFF from the far end our output still flows: no software flow control.
    ASSERT_TRUE(pty.send(QByteArray("\x13")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.inputCount() == 1; }));
    EXPECT_EQ(port.write(QByteArray("after")), 5);
    EXPECT_EQ(pty.receive(5), QByteArray("after"));
    EXPECT_EQ(port.read(1), QByteArray("\x13"));

    // What a tick finds waiting it reads in one go, in order, however the driver holds it.
    QByteArray tick;
    for (int i = 0; i < 3000; ++i)
        tick += char('0' + i % 64);
    ASSERT_TRUE(pty.send(tick));
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.inputCount() == 3000; }));
    EXPECT_EQ(port.read(4096), tick);
}

TEST(QtSerialPortOnPty, OutputCountHoldsBytesUntilTheyAreOnTheLine) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    port.setSettings(settingsFor(pty));
    ASSERT_TRUE(port.open());
    EXPECT_EQ(port.outputCount(), 0);
    const QByteArray block(5000, 'x');
    EXPECT_EQ(port.write(block), 5000);
    // Nothing has left yet: the bytes go out from the event loop.
    EXPECT_GE(port.outputCount(), 5000);
    EXPECT_EQ(pty.receive(5000), block);
    EXPECT_TRUE(QTest::qWaitFor([&] { return port.outputCount() == 0; }));
}

// Open, close and the closed port's answers are held to the rules in tests/ports, on a line probe;
// here the pseudo-terminal's own lack of modem lines.
TEST(QtSerialPortOnPty, PseudoTerminalCountsAsCtsAndDsrOnAndOpensAgainAfterClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    test::PortEvents log;
    log.attach(port);
    port.setSettings(settingsFor(pty));
    ASSERT_TRUE(port.open());
    EXPECT_EQ(log.take(), QStringList({"CTS on", "DSR on"}));
    EXPECT_TRUE(port.cts());
    EXPECT_TRUE(port.dsr());

    port.close();
    ASSERT_TRUE(port.open());
    EXPECT_EQ(port.write(QByteArray("again")), 5);
    EXPECT_EQ(pty.receive(5), QByteArray("again"));
}

TEST(QtSerialPortOnPty, ModemLinesArePolledAndAProbeThatFailsIsAFailedPort) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    test::PortEvents log;
    log.attach(port);
    bool cts = false;
    bool dsr = true;
    bool probeFails = false;
    port.setLineProbe([&](int, bool* c, bool* d) {
        if (probeFails) {
            errno = EIO;
            return false;
        }
        *c = cts;
        *d = dsr;
        return true;
    });
    port.setSettings(settingsFor(pty));
    ASSERT_TRUE(port.open());
    EXPECT_EQ(log.take(), QStringList({"CTS off", "DSR on"}));

    cts = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !log.seen.isEmpty(); }, 2000));
    EXPECT_EQ(log.take(), QStringList({"CTS on"}));
    EXPECT_TRUE(port.cts());

    // DSR changes through the probe, and what arrives meanwhile, are held to the rules in tests/ports.
    // A device whose modem lines stop answering with an I/O error is gone.
    probeFails = true;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !log.errors.isEmpty(); }, 2000));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(log.take(), QStringList({"CTS off", "DSR off", "error (closed)"}));
    EXPECT_TRUE(log.errors.front().contains(pty.slavePath()));
}

// The rules of a failing port (closed, reported once) are checked in tests/ports; here the words.
TEST(QtSerialPortOnPty, HangUpIsReportedNamingTheDevice) {
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    QtSerialPort port;
    test::PortEvents log;
    log.attach(port);
    port.setSettings(settingsFor(pty));
    ASSERT_TRUE(port.open());
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.errors.isEmpty(); }, 5000));
    EXPECT_EQ(log.errors.front(), pty.slavePath() + QStringLiteral(" was disconnected"));
}

} // namespace
} // namespace velmorix
