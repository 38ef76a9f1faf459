#include "serial/network_port.h"

#include "serial/line_check.h"

#include <algorithm>

namespace velmorix {

namespace {

using namespace telnet;
using namespace rfc2217;

// The options each side is asked to do: data as 8-bit bytes, no go-ahead, and the com-port option
// (which only the client does; the server answers it).
bool wantOurs(quint8 option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}
bool wantTheirs(quint8 option) {
    return option == kBinary || option == kSuppressGoAhead;
}

quint8 parityCode(Parity p) {
    switch (p) {
    case Parity::None:
        return 1;
    case Parity::Odd:
        return 2;
    case Parity::Even:
        return 3;
    case Parity::Mark:
        return 4;
    case Parity::Space:
        return 5;
    }
    return 3;
}

constexpr quint8 kLineBits = 0xF0; // carrier, ring, DSR, CTS; the low bits say what changed

// SET-CONTROL carries several settings; an answer confirms the one of its own kind.
int controlKind(quint8 value) {
    if (value <= 3)
        return 0; // flow control (0 asks)
    if (value >= 7 && value <= 9)
        return 1; // DTR (7 asks)
    return 2;
}

} // namespace

NetworkPort::NetworkPort(const QString& device) {
    m_settings.name = device;
    m_connectTimer.setSingleShot(true);
    m_confirmTimer.setSingleShot(true);
    QObject::connect(&m_connectTimer, &QTimer::timeout, &m_socket, [this] {
        if (m_open && !m_connected)
            fail(QStringLiteral("%1: no connection within %2 s")
                     .arg(m_address->hostPort())
                     .arg(m_connectMs / 1000.0));
    });
    QObject::connect(&m_confirmTimer, &QTimer::timeout, &m_socket, [this] { onConfirmWindowEnd(); });
    QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] { onReadable(); });
    // Qt may say these inside connectToHost(), before open() has returned: they are handled once the
    // loop turns, and only while they still concern the connection they were said of.
    QObject::connect(&m_socket, &QTcpSocket::connected, &m_socket, [this] {
        const quint64 generation = m_generation;
        QMetaObject::invokeMethod(
            &m_socket,
            [this, generation] {
                if (generation == m_generation)
                    onConnected();
            },
            Qt::QueuedConnection);
    });
    QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &m_socket, [this](QAbstractSocket::SocketError) {
        const quint64 generation = m_generation;
        const QString why = m_socket.errorString();
        QMetaObject::invokeMethod(
            &m_socket,
            [this, generation, why] {
                if (generation == m_generation)
                    onLost(why);
            },
            Qt::QueuedConnection);
    });
}

NetworkPort::~NetworkPort() {
    // Closed quietly: whoever listens to the handlers may already be gone. What Qt still holds goes to
    // the system first, which sends it before the connection ends.
    QObject::disconnect(&m_socket, nullptr, nullptr, nullptr);
    m_socket.flush();
    m_socket.abort();
}

void NetworkPort::setBounds(int connectMs, int confirmMs) {
    m_connectMs = connectMs;
    m_confirmMs = confirmMs;
}

void NetworkPort::setSettings(const PortSettings& settings) {
    const bool otherDevice = settings.name != m_settings.name;
    m_settings = settings;
    if (!m_open)
        return;
    if (otherDevice) {
        close();
        open();
    } else if (rfc2217() && m_comPort) {
        sendLineSettings(false);
        m_confirmTimer.start(m_confirmMs);
    }
}

QString NetworkPort::lineNote() const {
    if (m_open && m_noModemState)
        return QStringLiteral("the server reports no modem lines, so DSR and CTS count as on (as on a "
                              "pseudo-terminal)");
    return {};
}

bool NetworkPort::open() {
    if (m_open)
        return true;
    m_error.clear();
    const std::optional<NetworkAddress> address = parseNetworkAddress(m_settings.name);
    if (!address) {
        m_error = QStringLiteral("not a network port as written: rfc2217://HOST:PORT or tcp://HOST:PORT");
        return false;
    }
    if (m_lingering && address == m_address) {
        // The same line, opened again at once: the connection stays, the new settings go on it.
        m_lingering = false;
        m_open = true;
        m_input.clear();
        if (rfc2217() && m_comPort) {
            sendLineSettings(true);
            m_confirmTimer.start(m_confirmMs);
        }
        reportCts(m_cts);
        if (m_open)
            reportDsr(m_dsr);
        return true;
    }
    endConnection();
    m_address = address;
    m_unconfirmed.clear();
    m_noModemState = false;
    m_input.clear();
    m_held.clear();
    m_open = true;
    ++m_connections;
    m_socket.connectToHost(m_address->host, m_address->port);
    m_connectTimer.start(m_connectMs);
    reportCts(false);
    if (m_open)
        reportDsr(false);
    return true;
}

void NetworkPort::onConnected() {
    if (m_connected || (!m_open && !m_lingering))
        return;
    m_connectTimer.stop();
    m_connected = true;
    // Small frames (a monitor request, an upload frame waiting for its answer) go out at once.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!rfc2217()) {
        lineReady();
        setLines(true, true);
        return;
    }
    m_usAsked.set(kBinary);
    m_himAsked.set(kBinary);
    m_usAsked.set(kComPort);
    send(negotiation(kWill, kBinary) + negotiation(kDo, kBinary) + negotiation(kWill, kComPort));
    m_confirmTimer.start(m_confirmMs);
}

void NetworkPort::negotiate(quint8 verb, quint8 option) {
    switch (verb) {
    case kWill:
        if (wantTheirs(option)) {
            if (!m_himOn[option] && !m_himAsked[option])
                send(negotiation(kDo, option));
            m_himOn.set(option);
        } else if (!m_himRefused[option]) {
            m_himRefused.set(option);
            send(negotiation(kDont, option));
        }
        m_himAsked.reset(option);
        break;
    case kWont:
        if (m_himOn[option])
            send(negotiation(kDont, option));
        m_himOn.reset(option);
        m_himAsked.reset(option);
        break;
    case kDo:
        if (wantOurs(option)) {
            if (!m_usOn[option] && !m_usAsked[option])
                send(negotiation(kWill, option));
            m_usOn.set(option);
            if (option == kComPort && !m_comPort) {
                m_comPort = true;
                sendLineSettings(true);
            }
        } else if (!m_usRefused[option]) {
            m_usRefused.set(option);
            send(negotiation(kWont, option));
        }
        m_usAsked.reset(option);
        break;
    case kDont:
        if (m_usOn[option])
            send(negotiation(kWont, option));
        m_usOn.reset(option);
        m_usAsked.reset(option);
        // A server without the com-port option carries the bytes alone; what waited goes now.
        if (option == kComPort)
            lineReady();
        break;
    default:
        break;
    }
}

QList<NetworkPort::Expected> NetworkPort::expectedSettings() const {
    const PortSettings& s = m_settings;
    return {
        {kSetBaudRate, rateBytes(quint32(s.baudRate)), rateName(s)},
        {kSetDataSize, QByteArray(1, char(s.dataBits)), dataBitsName(s)},
        {kSetParity, QByteArray(1, char(parityCode(s.parity))), parityName(s)},
        {kSetStopSize, QByteArray(1, char(s.stopBits == 2 ? 2 : 1)), stopBitsName(s)},
        {kSetControl, QByteArray(1, char(s.hardwareFlow ? kHardwareFlowControl : kNoFlowControl)),
         flowName(s)},
        {kSetControl, QByteArray(1, char(kDtrOn)), QStringLiteral("DTR on")},
    };
}

void NetworkPort::sendLineSettings(bool opening) {
    m_expected = expectedSettings();
    QByteArray out;
    for (const Expected& e : m_expected)
        out += command(e.code, e.value);
    out += command(kSetModemStateMask, quint8(kCtsBit | kDsrBit | kDeltaCtsBit | kDeltaDsrBit));
    // A line just opened starts empty, also at the server.
    if (opening)
        out += command(kPurgeData, kPurgeReceived);
    send(out);
    lineReady();
}

void NetworkPort::lineReady() {
    m_ready = true;
    if (!m_held.isEmpty())
        send(rfc2217() ? escape(m_held) : m_held);
    m_held.clear();
}

void NetworkPort::comPortAnswer(quint8 code, const QByteArray& value) {
    if (code == kServerOffset + kNotifyModemState) {
        if (value.isEmpty())
            return;
        const quint8 bits = quint8(value[0]);
        m_modemState = true;
        m_modemSeen |= bits & kLineBits;
        // A server taken to have no modem lines keeps saying "all off"; a line that comes on proves
        // them, and from then on they are followed.
        if (m_noModemState && m_modemSeen == 0)
            return;
        const bool hadNote = m_noModemState;
        m_noModemState = false;
        setLines((bits & kCtsBit) != 0, (bits & kDsrBit) != 0);
        if (hadNote && m_open)
            reportLearned();
        return;
    }
    if (code <= kServerOffset || value.isEmpty())
        return;
    const quint8 setting = code - kServerOffset;
    for (qsizetype i = 0; i < m_expected.size(); ++i) {
        const Expected& e = m_expected[i];
        if (e.code != setting)
            continue;
        if (setting == kSetControl && controlKind(quint8(e.value[0])) != controlKind(quint8(value[0])))
            continue;
        // An answer with another value says what the server has instead: the setting stays unconfirmed.
        if (e.value == value)
            m_expected.removeAt(i);
        return;
    }
}

void NetworkPort::onConfirmWindowEnd() {
    if (!m_connected)
        return;
    QStringList unconfirmed;
    if (rfc2217()) {
        if (!m_comPort) {
            // The server never took the option: none of the settings travelled.
            for (const Expected& e : expectedSettings())
                unconfirmed << e.name;
            lineReady();
        } else {
            for (const Expected& e : m_expected)
                unconfirmed << e.name;
        }
    }
    bool learned = unconfirmed != m_unconfirmed;
    m_unconfirmed = unconfirmed;
    // The modem lines are believed from a server that shows it has them: one whose modem state has
    // had a line on, or that took DTR on. One that sent no modem state, or only "all off" while it
    // could not set DTR (ser2net on a device without modem control, such as a pseudo-terminal), has
    // none: the lines count as on.
    const bool dtrTaken =
        rfc2217() && m_comPort && std::none_of(m_expected.cbegin(), m_expected.cend(), [](const Expected& e) {
            return e.code == kSetControl && quint8(e.value[0]) == kDtrOn;
        });
    const bool noModemLines = !m_modemState || (m_modemSeen == 0 && !dtrTaken);
    const bool linesOn = noModemLines && !m_noModemState;
    if (linesOn)
        m_noModemState = learned = true;
    // What was learned is said before the lines come on, so the link comes up knowing it.
    if (learned && m_open)
        reportLearned();
    if (linesOn)
        setLines(true, true);
}

void NetworkPort::setLines(bool cts, bool dsr) {
    const bool ctsChanged = cts != m_cts;
    const bool dsrChanged = dsr != m_dsr;
    m_cts = cts;
    m_dsr = dsr;
    if (ctsChanged && m_open)
        reportCts(cts);
    if (dsrChanged && m_open)
        reportDsr(dsr);
}

void NetworkPort::takeData(const QByteArray& bytes) {
    if (m_open && m_dsr)
        m_input += bytes;
    else
        m_discarded += bytes.size();
}

void NetworkPort::onReadable() {
    // The server may speak before the connection's own notice has come round the loop.
    if (!m_connected && m_socket.state() == QAbstractSocket::ConnectedState)
        onConnected();
    const QByteArray bytes = m_socket.readAll();
    if (!rfc2217()) {
        takeData(bytes);
        return;
    }
    const quint64 generation = m_generation;
    for (const Item& item : m_parser.feed(bytes)) {
        // A handler told of a line change may have ended the connection.
        if (generation != m_generation)
            return;
        switch (item.kind) {
        case Item::Kind::Data:
            takeData(item.bytes);
            break;
        case Item::Kind::Negotiation:
            negotiate(item.verb, item.option);
            break;
        case Item::Kind::Subnegotiation:
            if (item.option == kComPort && !item.bytes.isEmpty())
                comPortAnswer(quint8(item.bytes[0]), item.bytes.mid(1));
            break;
        }
    }
}

void NetworkPort::send(const QByteArray& wireBytes) {
    m_socket.write(wireBytes);
}

qint64 NetworkPort::write(const QByteArray& bytes) {
    if (!m_open) {
        m_error = notOpenText();
        return -1;
    }
    if (!m_ready)
        m_held += bytes;
    else
        send(rfc2217() ? escape(bytes) : bytes);
    return bytes.size();
}

QByteArray NetworkPort::read(qint64 maxCount) {
    if (!m_open || maxCount <= 0)
        return {};
    const QByteArray out = m_input.left(maxCount);
    m_input.remove(0, out.size());
    return out;
}

qint64 NetworkPort::outputCount() {
    return m_open ? m_held.size() + m_socket.bytesToWrite() : 0;
}

void NetworkPort::clearBuffer(bool input, bool output) {
    if (!m_open)
        return;
    if (input)
        m_input.clear();
    if (output) {
        m_held.clear();
        // What the server holds for the line goes too.
        if (rfc2217() && m_comPort)
            send(command(kPurgeData, kPurgeToSend));
    }
}

void NetworkPort::close() {
    if (!m_open || m_closing)
        return;
    m_closing = true;
    reportCts(false);
    reportDsr(false);
    m_open = false;
    m_closing = false;
    m_input.clear();
    m_held.clear();
    m_confirmTimer.stop();
    if (!m_connected) {
        endConnection();
        return;
    }
    m_lingering = true;
    const quint64 generation = m_generation;
    QTimer::singleShot(0, &m_socket, [this, generation] {
        if (m_lingering && generation == m_generation)
            endConnection();
    });
}

void NetworkPort::onLost(const QString& why) {
    if (!m_open) {
        endConnection();
        return;
    }
    fail(QStringLiteral("%1: %2").arg(m_address->hostPort(), why));
}

void NetworkPort::endConnection() {
    ++m_generation;
    m_connectTimer.stop();
    m_confirmTimer.stop();
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        // What Qt still holds goes to the system, which sends it before the connection ends.
        m_socket.flush();
        m_socket.abort();
    }
    m_parser.reset();
    m_connected = m_lingering = m_comPort = m_ready = m_modemState = false;
    m_modemSeen = 0;
    m_cts = m_dsr = false;
    m_usOn.reset();
    m_usAsked.reset();
    m_usRefused.reset();
    m_himOn.reset();
    m_himAsked.reset();
    m_himRefused.reset();
    m_expected.clear();
}

void NetworkPort::fail(const QString& text) {
    if (!m_open)
        return;
    endConnection();
    close();
    m_error = text;
    reportError(text);
}

} // namespace velmorix
