// The rules every SerialPort keeps (see platform/serial_port.h), run against each implementation
// through its peer (port_peers.h).
#include "port_peers.h"
#include "support/port_events.h"

#include <QCoreApplication>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << '"' << bytes.toStdString() << '"';
}
void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace velmorix::test {
namespace {

template <class Peer> class PortContract : public ::testing::Test {
protected:
    PortContract() { notes.attach(peer.port()); }
    void SetUp() override {
        if constexpr (requires(Peer & p) { p.started(); }) {
            ASSERT_TRUE(peer.started()) << "the device server did not start";
        }
    }

    SerialPort& port() { return peer.port(); }
    // Opens the port, waits until it has its line, and forgets what opening reported.
    bool open() {
        const bool opened = port().open();
        if (opened) {
            EXPECT_TRUE(peer.waitUntil([this] { return port().cts() && port().dsr(); }));
        }
        notes.take();
        return opened;
    }
    // A closed port, whichever way it came to be closed, does nothing and says so on write.
    void expectClosed() {
        SerialPort& p = port();
        EXPECT_FALSE(p.isOpen());
        EXPECT_FALSE(p.cts());
        EXPECT_FALSE(p.dsr());
        EXPECT_EQ(p.inputCount(), 0);
        EXPECT_EQ(p.outputCount(), 0);
        EXPECT_EQ(p.read(100), QByteArray());
        p.clearBuffer(true, true);
        p.close();
        EXPECT_EQ(p.write("x"), -1);
        const QString why = p.errorString();
        EXPECT_TRUE(why.contains(QStringLiteral("not open")) && why.contains(p.settings().name))
            << why.toStdString();
        peer.idle();
        EXPECT_EQ(notes.take(), QStringList());
    }

    Peer peer;
    PortEvents notes;
};

struct PeerName {
    template <class Peer> static std::string GetName(int) { return Peer::kName; }
};

using Peers =
    ::testing::Types<FakePortPeer, SimulatedPortPeer, QtSerialPortPeer, RecordingOverSimulatedPeer,
                     RecordingOverQtSerialPeer, NetworkPortPeer, RawNetworkPortPeer, Ser2NetPortPeer>;
TYPED_TEST_SUITE(PortContract, Peers, PeerName);

TYPED_TEST(PortContract, NeverOpenedPortDoesNothing) {
    this->expectClosed();
}

TYPED_TEST(PortContract, OpenReportsCtsThenDsrOnceAsTheyAre) {
    SerialPort& port = this->port();
    constexpr bool dsrLine = !requires {
        TypeParam::kNoDsrLine;
    };
    if constexpr (dsrLine)
        this->peer.setDsr(false);
    ASSERT_TRUE(port.open()) << port.errorString().toStdString();
    if constexpr (requires { TypeParam::kConnects; }) {
        // Off until the line is reached, then each change once.
        EXPECT_EQ(this->notes.take(), QStringList({"CTS off", "DSR off"}));
        ASSERT_TRUE(this->peer.waitUntil([&] { return port.cts(); }));
        this->peer.idle();
        EXPECT_EQ(this->notes.take(), dsrLine ? QStringList({"CTS on"}) : QStringList({"CTS on", "DSR on"}));
    } else {
        EXPECT_EQ(this->notes.take(), QStringList({"CTS on", "DSR off"}));
    }
    EXPECT_TRUE(port.isOpen());
    EXPECT_TRUE(port.cts());
    EXPECT_EQ(port.dsr(), !dsrLine);

    EXPECT_TRUE(port.open());
    this->peer.idle();
    EXPECT_EQ(this->notes.take(), QStringList());
}

TYPED_TEST(PortContract, CloseReportsCtsThenDsrOffWhileOpenAndKeepsNothing) {
    SerialPort& port = this->port();
    ASSERT_TRUE(this->open()) << port.errorString().toStdString();
    this->peer.send("unread");
    ASSERT_TRUE(this->peer.waitUntil([&] { return port.inputCount() == 6; }));
    port.close();
    EXPECT_EQ(this->notes.take(), QStringList({"CTS off", "DSR off"}));
    this->expectClosed();
}

TYPED_TEST(PortContract, WritesAreTakenWholeAndArriveInOrder) {
    SerialPort& port = this->port();
    ASSERT_TRUE(this->open()) << port.errorString().toStdString();
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += char('a' + i % 26);
    EXPECT_EQ(port.write("first,"), 6);
    EXPECT_EQ(port.write(block), 1000);
    EXPECT_EQ(port.write(",last"), 5);
    const QByteArray all = "first," + block + ",last";
    EXPECT_TRUE(this->peer.waitUntil([&] { return this->peer.received().size() >= all.size(); }));
    EXPECT_EQ(this->peer.received(), all);
}

TYPED_TEST(PortContract, ArrivedBytesAreCountedAndReadInOrderNeverMoreThanAsked) {
    SerialPort& port = this->port();
    ASSERT_TRUE(this->open()) << port.errorString().toStdString();
    this->peer.send("abcdefghij");
    ASSERT_TRUE(this->peer.waitUntil([&] { return port.inputCount() == 10; }));
    EXPECT_EQ(port.read(0), QByteArray());
    QByteArray got;
    while (got.size() < 10) {
        const QByteArray chunk = port.read(4);
        ASSERT_FALSE(chunk.isEmpty()) << "after " << got.size() << " bytes";
        ASSERT_LE(chunk.size(), 4);
        got += chunk;
        EXPECT_EQ(port.inputCount(), 10 - got.size());
    }
    EXPECT_EQ(got, "abcdefghij");
    EXPECT_EQ(port.read(10), QByteArray());
}

TYPED_TEST(PortContract, ClearingTheInputDropsWhatWasNotRead) {
    SerialPort& port = this->port();
    ASSERT_TRUE(this->open()) << port.errorString().toStdString();
    this->peer.send("stale");
    ASSERT_TRUE(this->peer.waitUntil([&] { return port.inputCount() == 5; }));
    port.clearBuffer(true, false);
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_EQ(port.read(10), QByteArray());
    this->peer.send("fresh");
    ASSERT_TRUE(this->peer.waitUntil([&] { return port.inputCount() == 5; }));
    EXPECT_EQ(port.read(10), "fresh");
}

TYPED_TEST(PortContract, BytesArrivingWhileDsrIsOffAreNeverSeen) {
    if constexpr (requires { TypeParam::kNoDsrLine; }) {
        GTEST_SKIP() << "not applicable: " << TypeParam::kNoDsrLine;
    } else {
        SerialPort& port = this->port();
        ASSERT_TRUE(this->open()) << port.errorString().toStdString();
        this->peer.setDsr(false);
        ASSERT_TRUE(this->peer.waitUntil([&] { return !port.dsr(); }));
        this->peer.send("lost");
        ASSERT_TRUE(this->peer.deliver());
        EXPECT_EQ(port.inputCount(), 0);
        EXPECT_EQ(port.read(10), QByteArray());

        this->peer.setDsr(true);
        ASSERT_TRUE(this->peer.waitUntil([&] { return port.dsr(); }));
        EXPECT_EQ(port.inputCount(), 0);
        EXPECT_EQ(port.read(10), QByteArray());
        // What comes now is kept; were the lost bytes held anywhere, they would come first.
        this->peer.send("kept");
        ASSERT_TRUE(this->peer.waitUntil([&] { return port.inputCount() >= 4; }));
        EXPECT_EQ(port.read(10), "kept");
        EXPECT_EQ(this->notes.take(), QStringList({"DSR off", "DSR on"}));
    }
}

TYPED_TEST(PortContract, FailureClosesThePortThenIsReportedOnce) {
    if constexpr (requires { TypeParam::kCannotFail; }) {
        GTEST_SKIP() << "not applicable: " << TypeParam::kCannotFail;
    } else {
        SerialPort& port = this->port();
        ASSERT_TRUE(this->open()) << port.errorString().toStdString();
        this->peer.hangUp();
        ASSERT_TRUE(this->peer.waitUntil([&] { return !this->notes.errors.isEmpty(); }));
        this->peer.idle();
        EXPECT_EQ(this->notes.take(), QStringList({"CTS off", "DSR off", "error (closed)"}));
        ASSERT_EQ(this->notes.errors.size(), 1);
        EXPECT_FALSE(this->notes.errors.front().isEmpty());
        EXPECT_EQ(port.errorString(), this->notes.errors.front());
        this->expectClosed();
    }
}

} // namespace
} // namespace velmorix::test

// The real port delivers everything on the event loop, so the suite runs under a QCoreApplication.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
