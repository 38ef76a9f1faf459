// The network port against the tests' own device server (support/device_server_peer.h), which reads
// telnet by itself: what goes on the wire, what a server that leaves things out is taken to mean,
// and how a connection that fails or goes away is said. The port contract suite (tests/ports) holds
// it to the SerialPort rules; tests/e2e proves it through ser2net.
#include "serial/network_port.h"
#include "support/device_server_peer.h"
#include "support/port_events.h"
#include "support/pty_pair.h"

#include <QTest>
#include <gtest/gtest.h>

namespace velmorix {
namespace {

using test::DeviceServerPeer;
using test::runEventLoopFor;

template <size_t N> QByteArray bytesOf(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

class NetworkPortTest : public ::testing::Test {
protected:
    void use(DeviceServerPeer& server, PortSettings s = {}) {
        s.name = server.url();
        port.setSettings(s);
        reports.attach(port);
    }
    bool waitFor(const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); }

    NetworkPort port;
    test::PortEvents reports;
};

TEST_F(NetworkPortTest, OpenAsksForBinaryAndTheComPortOptionThenSendsTheLineSettingsBeforeAnyData) {
    DeviceServerPeer server;
    PortSettings s;
    s.baudRate = 28800;
    s.customRate = true;
    s.parity = Parity::Mark;
    use(server, s);
    ASSERT_TRUE(port.open());
    // Written before the connection is made: it waits for the settings.
    EXPECT_EQ(port.write("ab"), 2);
    ASSERT_TRUE(waitFor([&] { return server.received() == "ab"; }));
    EXPECT_EQ(server.wire(), bytesOf("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c" // WILL/DO BINARY, WILL COM-PORT
                                     "\xff\xfa\x2c\x01\x00\x00\x70\x80\xff\xf0" // 28800 baud
                                     "\xff\xfa\x2c\x02\x07\xff\xf0"             // 7 data bits
                                     "\xff\xfa\x2c\x03\x04\xff\xf0"             // mark parity
                                     "\xff\xfa\x2c\x04\x02\xff\xf0"             // 2 stop bits
                                     "\xff\xfa\x2c\x05\x03\xff\xf0"             // RTS/CTS flow control
                                     "\xff\xfa\x2c\x05\x08\xff\xf0"             // DTR on
                                     "\xff\xfa\x2c\x0b\x33\xff\xf0"             // notify CTS and DSR
                                     "\xff\xfa\x2c\x0c\x01\xff\xf0"             // purge what it received
                                     "ab"));

    // New settings on the open port travel at once: 115200, 8 data bits, space parity, 1 stop bit.
    const qsizetype before = server.wire().size();
    s.baudRate = 115200;
    s.customRate = false;
    s.dataBits = 8;
    s.parity = Parity::Space;
    s.stopBits = 1;
    s.name = server.url();
    port.setSettings(s);
    ASSERT_TRUE(waitFor([&] { return server.wire().size() >= before + 10 + 6 * 7; }));
    EXPECT_EQ(server.wire().mid(before, 10 + 3 * 7), bytesOf("\xff\xfa\x2c\x01\x00\x01\xc2\x00\xff\xf0"
                                                             "\xff\xfa\x2c\x02\x08\xff\xf0"
                                                             "\xff\xfa\x2c\x03\x05\xff\xf0"
                                                             "\xff\xfa\x2c\x04\x01\xff\xf0"));
    EXPECT_EQ(port.refusedSettings(), QStringList());
}

TEST_F(NetworkPortTest, IacTravelsDoubledInRfc2217AndAsItIsInRawTcp) {
    DeviceServerPeer server;
    use(server);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(waitFor([&] { return port.dsr(); }));
    const qsizetype before = server.wire().size();
    port.write(bytesOf("\x01\xff\x02\xff\xff"));
    ASSERT_TRUE(waitFor([&] { return server.received().size() >= 5; }));
    EXPECT_EQ(server.received(), bytesOf("\x01\xff\x02\xff\xff"));
    EXPECT_EQ(server.wire().mid(before), bytesOf("\x01\xff\xff\x02\xff\xff\xff\xff"));

    // From the server: doubled, and one doubled IAC split over two segments.
    server.sendWire(bytesOf("\xff\xff\x00\xff"));
    runEventLoopFor(50);
    server.sendWire(bytesOf("\xff\x7f"));
    ASSERT_TRUE(waitFor([&] { return port.inputCount() >= 3; }));
    EXPECT_EQ(port.read(10), bytesOf("\xff\x00\xff\x7f"));

    DeviceServerPeer raw(false);
    NetworkPort rawPort;
    PortSettings s;
    s.name = raw.url();
    rawPort.setSettings(s);
    ASSERT_TRUE(rawPort.open());
    ASSERT_TRUE(waitFor([&] { return rawPort.dsr(); }));
    rawPort.write(bytesOf("\x01\xff\x02"));
    raw.send(bytesOf("\xff\xff"));
    ASSERT_TRUE(waitFor([&] { return raw.wire().size() >= 3 && rawPort.inputCount() >= 2; }));
    EXPECT_EQ(raw.wire(), bytesOf("\x01\xff\x02")); // no negotiation, no settings: the bytes alone
    EXPECT_EQ(rawPort.read(10), bytesOf("\xff\xff"));
}

TEST_F(NetworkPortTest, ASettingTheServerDoesNotConfirmIsNamedOnceAndTheLineGoesOn) {
    DeviceServerPeer server;
    server.setConfirm([](quint8 code, const QByteArray&) { return code != 1; }); // not the rate
    use(server);
    port.setBounds(NetworkPort::kConnectMs, 300);
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(waitFor([&] { return port.dsr() && port.cts(); }));
    EXPECT_EQ(port.refusedSettings(), QStringList()); // not yet known
    ASSERT_TRUE(waitFor([&] { return reports.learned > 0; }));
    EXPECT_EQ(port.refusedSettings(), QStringList({"38400 baud"}));
    EXPECT_EQ(port.lineNote(), QString()); // its modem lines are believed
    port.write("x");
    EXPECT_TRUE(waitFor([&] { return server.received() == "x"; }));
    runEventLoopFor(500);
    EXPECT_EQ(reports.learned, 1);
}

TEST_F(NetworkPortTest, AServerWithoutModemLinesCountsAsAPseudoTerminalUntilALineComesOn) {
    // No modem state at all.
    {
        DeviceServerPeer server;
        server.setModemState(false);
        NetworkPort silent;
        silent.setBounds(NetworkPort::kConnectMs, 300);
        PortSettings s;
        s.name = server.url();
        silent.setSettings(s);
        ASSERT_TRUE(silent.open());
        ASSERT_TRUE(waitFor([&] { return silent.dsr() && silent.cts(); }));
        EXPECT_TRUE(silent.lineNote().contains("no modem lines")) << silent.lineNote().toStdString();
    }
    // "All off" from a server that could not set DTR either, as ser2net says of a pseudo-terminal.
    DeviceServerPeer server;
    server.setDsr(false);
    server.setCts(false);
    server.setConfirm([](quint8 code, const QByteArray& value) { return !(code == 5 && value == "\x08"); });
    use(server);
    port.setBounds(NetworkPort::kConnectMs, 300);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(waitFor([&] { return port.dsr() && port.cts(); }));
    EXPECT_EQ(reports.take(), QStringList({"CTS off", "DSR off", "CTS on", "DSR on"}));
    EXPECT_EQ(port.refusedSettings(), QStringList({"DTR on"}));
    EXPECT_FALSE(port.lineNote().isEmpty());
    // A line that comes on proves the lines; from then on they are followed, DSR still off included.
    server.setCts(true);
    ASSERT_TRUE(waitFor([&] { return !port.dsr(); }));
    server.setDsr(true);
    server.setDsr(false);
    ASSERT_TRUE(waitFor([&] { return reports.seen.size() >= 3; }));
    EXPECT_EQ(reports.take(), QStringList({"DSR off", "DSR on", "DSR off"}));
    EXPECT_TRUE(port.lineNote().isEmpty());

    // The same "all off" from a server that took DTR on is a controller that is off: it is believed.
    DeviceServerPeer off;
    off.setDsr(false);
    off.setCts(false);
    NetworkPort believed;
    believed.setBounds(NetworkPort::kConnectMs, 300);
    PortSettings s;
    s.name = off.url();
    believed.setSettings(s);
    ASSERT_TRUE(believed.open());
    ASSERT_TRUE(waitFor([&] { return off.commands().size() >= 8; }));
    runEventLoopFor(500);
    EXPECT_FALSE(believed.dsr());
    EXPECT_FALSE(believed.cts());
    EXPECT_TRUE(believed.lineNote().isEmpty());
}

TEST_F(NetworkPortTest, ARefusedOrLostConnectionIsOneFailureNamingTheServerAndAReopenConnectsAfresh) {
    quint16 deadPort = 0;
    {
        DeviceServerPeer gone;
        deadPort = gone.port();
    }
    PortSettings s;
    s.name = QStringLiteral("rfc2217://127.0.0.1:%1").arg(deadPort);
    port.setSettings(s);
    reports.attach(port);
    ASSERT_TRUE(port.open()); // at once: connecting never holds the caller
    EXPECT_EQ(reports.take(), QStringList({"CTS off", "DSR off"}));
    ASSERT_TRUE(waitFor([&] { return !reports.errors.isEmpty(); }));
    runEventLoopFor(100);
    ASSERT_EQ(reports.errors.size(), 1);
    EXPECT_EQ(reports.errors.front(), QStringLiteral("127.0.0.1:%1: Connection refused").arg(deadPort));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(reports.take(), QStringList({"CTS off", "DSR off", "error (closed)"}));

    // Lost while linked (closed and said once, as tests/ports holds every port to), then linked again.
    DeviceServerPeer server;
    s.name = server.url();
    port.setSettings(s);
    reports.errors.clear();
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(waitFor([&] { return port.dsr(); }));
    server.hangUp();
    ASSERT_TRUE(waitFor([&] { return !reports.errors.isEmpty(); }));
    EXPECT_TRUE(reports.errors.front().startsWith(QStringLiteral("127.0.0.1:%1: ").arg(server.port())))
        << reports.errors.front().toStdString();

    ASSERT_TRUE(port.open());
    ASSERT_TRUE(waitFor([&] { return port.dsr(); }));
    EXPECT_EQ(server.connections(), 2);
    server.send("again");
    ASSERT_TRUE(waitFor([&] { return port.inputCount() == 5; }));
    EXPECT_EQ(port.read(5), "again");
}

TEST_F(NetworkPortTest, CloseAndOpenBeforeTheLoopTurnsKeepTheConnectionWithNewSettings) {
    DeviceServerPeer server;
    use(server);
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(waitFor([&] { return port.dsr() && port.cts(); }));
    reports.take();

    // As the 8-bit upload does: close, other settings, open.
    port.close();
    PortSettings eightBit = port.settings();
    eightBit.dataBits = 8;
    eightBit.parity = Parity::None;
    eightBit.stopBits = 1;
    port.setSettings(eightBit);
    ASSERT_TRUE(port.open());
    EXPECT_EQ(reports.take(), QStringList({"CTS off", "DSR off", "CTS on", "DSR on"}));
    EXPECT_TRUE(port.cts() && port.dsr());
    ASSERT_TRUE(waitFor([&] { return server.commands().contains(bytesOf("\x02\x08")); }));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(server.connected());

    // A close the loop turns after ends the connection.
    port.close();
    EXPECT_TRUE(waitFor([&] { return !server.connected(); }));
}

} // namespace
} // namespace velmorix
