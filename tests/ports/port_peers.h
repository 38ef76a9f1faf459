#pragma once

#include "core/wire/recording_port.h"
#include "platform/qt_clock.h"
#include "serial/network_port.h"
#include "serial/qt_serial_port.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/device_server_peer.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/pty_pair.h"
#include "support/ser2net_process.h"

#include <QDeadlineTimer>
#include <QTest>
#include <algorithm>
#include <functional>
#include <poll.h>
#include <sys/ioctl.h>
#include <utility>

// One peer for each SerialPort implementation the contract suite runs against. A peer makes the
// port under test (set up for its line, not yet open) and plays the far end of that line:
//
//   static constexpr const char* kName;   shown in the test names
//   SerialPort& port();
//   void send(const QByteArray&);         the far end sends bytes
//   bool deliver();                       lets everything sent so far reach the port; false when
//                                         it did not within the bound
//   QByteArray received();                everything the far end has received so far
//   void setDsr(bool on);                 the far end switches DSR
//   bool waitUntil(std::function<bool()>) lets time pass until it holds, within a bound
//   void idle();                          lets some time pass, to see that nothing more happens
//   void hangUp();                        the device goes away; a peer whose port cannot fail has
//                                         kCannotFail (why) in its place
//
// A peer whose line has no DSR to switch has kNoDsrLine (why) instead of setDsr(), and one whose port
// reaches its line after open() returns (a network port connecting) has kConnects.
//
// A port that wraps another gets a peer that holds the inner port's peer and passes the far end on.

namespace velmorix::test {

class FakePortPeer {
public:
    static constexpr const char* kName = "FakePort";

    FakePortPeer() {
        PortSettings s;
        s.name = QStringLiteral("fake0");
        m_port.setSettings(s);
    }
    SerialPort& port() { return m_port; }
    void send(const QByteArray& bytes) { m_port.feed(bytes); }
    bool deliver() { return true; }
    QByteArray received() const { return m_port.written(); }
    void setDsr(bool on) { m_port.setDsrLine(on); }
    bool waitUntil(const std::function<bool()>& done) { return done(); }
    void idle() {}
    void hangUp() { m_port.fail(QStringLiteral("fake0: Input/output error")); }

private:
    FakePort m_port;
};

// The controller at the far end speaks the protocol; raw bytes go out through its test seam, and DSR
// goes off with the DropDsr fault (power and cable would also stop its bytes), and the adapter goes
// away with the Vanish fault.
class SimulatedPortPeer {
public:
    static constexpr const char* kName = "SimulatedPort";

    SerialPort& port() { return m_port; }
    void send(const QByteArray& bytes) {
        m_controller.queueRawForConsole(bytes);
        m_sent += bytes.size();
    }
    bool deliver() {
        return waitUntil([this] { return toConsole().size() >= m_sent; });
    }
    QByteArray received() const { return m_controller.log().bytes(WireRecorder::Kind::ToController); }
    void setDsr(bool on) {
        if (on)
            m_controller.clearFaults();
        else
            m_controller.addFault({.kind = sim::Fault::DropDsr, .fromUs = m_clock.nowUs()});
    }
    void hangUp() { m_controller.addFault({.kind = sim::Fault::Vanish, .fromUs = m_clock.nowUs()}); }
    bool waitUntil(const std::function<bool()>& done) {
        for (int ms = 0; ms < kBoundMs && !done(); ++ms)
            m_clock.advance(1);
        return done();
    }
    void idle() { m_clock.advance(100); }

private:
    static constexpr int kBoundMs = 5000;
    QByteArray toConsole() const { return m_controller.log().bytes(WireRecorder::Kind::ToConsole); }

    ManualClock m_clock;
    sim::SimulatedController m_controller;
    sim::SimulatedPort m_port{m_controller, m_clock};
    qsizetype m_sent = 0;
};

// The real port on a pseudo-terminal. A pseudo-terminal has no modem lines, so the peer answers the
// port's line probe itself.
class QtSerialPortPeer {
public:
    static constexpr const char* kName = "QtSerialPortOnPty";

    QtSerialPortPeer() {
        m_port.setLineProbe([this](int fd, bool* cts, bool* dsr) {
            m_fd = fd;
            *cts = true;
            *dsr = m_dsr;
            return true;
        });
        PortSettings s;
        s.name = m_pty.slavePath();
        m_port.setSettings(s);
    }
    SerialPort& port() { return m_port; }
    void send(const QByteArray& bytes) {
        const int before = queuedAtPort();
        if (m_pty.send(bytes))
            m_landing = std::max(m_landing, before) + int(bytes.size());
    }
    // Until the terminal holds the bytes (without running the event loop, so that the port cannot
    // take them meanwhile), then a moment of the event loop. The port takes them from the driver
    // when it is asked, or once enough of them wait. The terminal wakes the wait when bytes land.
    bool deliver() {
        const QDeadlineTimer deadline(kBoundMs);
        while (queuedAtPort() < m_landing && !deadline.hasExpired()) {
            pollfd landing{m_fd, POLLIN, 0};
            ::poll(&landing, 1, int(deadline.remainingTime()));
        }
        const bool landed = queuedAtPort() >= m_landing;
        m_landing = 0;
        runEventLoopFor(20);
        return landed;
    }
    QByteArray received() { return m_pty.drain(); }
    void setDsr(bool on) { m_dsr = on; }
    bool waitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, kBoundMs); }
    void idle() { runEventLoopFor(200); }
    void hangUp() { m_pty.closeMaster(); }

private:
    static constexpr int kBoundMs = 5000;
    // Bytes the terminal holds for the port that the port has not taken yet.
    int queuedAtPort() const {
        int n = 0;
        return m_fd >= 0 && ::ioctl(m_fd, FIONREAD, &n) == 0 ? n : 0;
    }

    PtyPair m_pty;
    QtSerialPort m_port;
    bool m_dsr = true;
    int m_fd = -1;
    int m_landing = 0;
};

// The network port to a device server, over loopback. The far end's bytes have landed once the port
// has taken them in or thrown them away.
class NetworkPeerBase {
public:
    static constexpr bool kConnects = true;

    SerialPort& port() { return m_port; }
    bool deliver() {
        const qint64 landing = std::exchange(m_landing, 0);
        return waitUntil([&] { return landed() >= landing; });
    }
    bool waitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, kBoundMs); }
    void idle() { runEventLoopFor(200); }

protected:
    void sending(qsizetype count) { m_landing = std::max(m_landing, landed()) + count; }
    qint64 landed() { return m_port.discardedBytes() + m_port.inputCount(); }
    void name(const QString& url) {
        PortSettings s;
        s.name = url;
        m_port.setSettings(s);
    }

    NetworkPort m_port;

private:
    static constexpr int kBoundMs = 5000;
    qint64 m_landing = 0;
};

// RFC 2217 to the tests' own device server, which has modem lines and tells their changes.
class NetworkPortPeer : public NetworkPeerBase {
public:
    static constexpr const char* kName = "NetworkPortRfc2217";

    NetworkPortPeer() { name(m_server.url()); }
    void send(const QByteArray& bytes) {
        sending(bytes.size());
        m_server.send(bytes);
    }
    QByteArray received() const { return m_server.received(); }
    void setDsr(bool on) { m_server.setDsr(on); }
    void hangUp() { m_server.hangUp(); }

private:
    DeviceServerPeer m_server;
};

// Raw TCP to the tests' own device server.
class RawNetworkPortPeer : public NetworkPeerBase {
public:
    static constexpr const char* kName = "NetworkPortRawTcp";
    static constexpr const char* kNoDsrLine = "raw TCP carries no modem lines";

    RawNetworkPortPeer() { name(m_server.url()); }
    void send(const QByteArray& bytes) {
        sending(bytes.size());
        m_server.send(bytes);
    }
    QByteArray received() const { return m_server.received(); }
    void hangUp() { m_server.hangUp(); }

private:
    DeviceServerPeer m_server{false};
};

// RFC 2217 through ser2net to a pseudo-terminal, whose master plays the far end. ser2net answers
// the settings at once, so its port waits 300 ms for them rather than a second.
class Ser2NetPortPeer : public NetworkPeerBase {
public:
    static constexpr const char* kName = "NetworkPortThroughSer2net";
    static constexpr const char* kNoDsrLine = "a pseudo-terminal has no modem lines";

    Ser2NetPortPeer() {
        m_started = m_ser2net.start(m_pty.slavePath(), Ser2NetProcess::Mode::Rfc2217);
        name(m_ser2net.url());
        m_port.setBounds(NetworkPort::kConnectMs, 300);
    }
    bool started() const { return m_started; }
    void send(const QByteArray& bytes) {
        sending(bytes.size());
        m_pty.send(bytes);
    }
    QByteArray received() { return m_pty.drain(); }
    void hangUp() { m_ser2net.kill(); }

private:
    PtyPair m_pty;
    Ser2NetProcess m_ser2net;
    bool m_started = false;
};

// The recording port over another port: the far end is the inner port's peer's.
template <class Inner> class RecordingPortPeer : public Inner {
public:
    SerialPort& port() { return m_port; }
    const WireRecorder& recorder() const { return m_recorder; }

private:
    QtClock m_clock;
    WireRecorder m_recorder;
    RecordingPort m_port{Inner::port(), m_recorder, m_clock};
};

struct RecordingOverSimulatedPeer : RecordingPortPeer<SimulatedPortPeer> {
    static constexpr const char* kName = "RecordingPortOverSimulatedPort";
};
struct RecordingOverQtSerialPeer : RecordingPortPeer<QtSerialPortPeer> {
    static constexpr const char* kName = "RecordingPortOverQtSerialPortOnPty";
};

} // namespace velmorix::test
