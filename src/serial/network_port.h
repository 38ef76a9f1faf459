#pragma once

#include "platform/network_address.h"
#include "platform/serial_port.h"
#include "serial/telnet_codec.h"

#include <QTcpSocket>
#include <QTimer>

#include <bitset>
#include <optional>

namespace velmorix {

// A controller's line on a serial device server, reached over TCP: "rfc2217://HOST:PORT" or
// "tcp://HOST:PORT" (see NetworkAddress). One object per line; it keeps no state beyond itself.
//
// - open() never blocks the event loop. It starts connecting and returns true at once with CTS and
//   DSR reported off; they come on once the line is reached. A connection that is refused, not made
//   within kConnectMs, or lost later is a port failure: the port closes itself and says once which
//   server and the system's reason ("10.0.4.17:4001: Connection refused").
// - RFC 2217: telnet BINARY both ways and COM-PORT-OPTION. Once the server takes the option the line
//   settings go to it (the rate, 28800 included; data bits; parity, mark and space included; stop
//   bits; RTS/CTS or no flow control; DTR on), then a modem-state mask for CTS and DSR and, on an
//   open, a purge of what the server had received from the line. A setting the server has not confirmed
//   kConfirmMs after the connection (or after new settings) is named by refusedSettings() and said once
//   through the learned handler; the line is used all the same. CTS and DSR follow the server's
//   NOTIFY-MODEMSTATE. A server that by then has sent none, or only "all off" while it did not take
//   DTR on (ser2net in front of a device without modem control), is taken to have no modem lines, as
//   a pseudo-terminal: both count as on, and lineNote() says so, until a line comes on.
// - Raw TCP: no settings travel, the server's own apply; CTS and DSR are on while connected.
// - In RFC 2217 mode 0xFF travels doubled both ways; raw mode carries the bytes as they are.
// - Bytes written before the line is ready wait and go after the settings. Bytes that arrive while
//   DSR is off (also before the line is ready) are thrown away.
// - outputCount() is what the socket has not yet handed to the system. What the server holds and has
//   not put on its line no port can see; the console's line clock covers it.
// - A close() followed by an open() of the same address before the event loop turns (the 8-bit
//   upload reopens its line so) keeps the connection: the new settings travel on it and CTS and DSR
//   are reported as the server last had them. Otherwise the connection ends when the loop turns.
class NetworkPort final : public SerialPort {
public:
    static constexpr int kConnectMs = 5000;
    static constexpr int kConfirmMs = 1000;

    explicit NetworkPort(const QString& device = {});
    ~NetworkPort() override;

    void setSettings(const PortSettings& settings) override;
    PortSettings settings() const override { return m_settings; }

    bool open() override;
    void close() override;
    bool isOpen() const override { return m_open; }

    qint64 write(const QByteArray& bytes) override;
    QByteArray read(qint64 maxCount) override;
    qint64 inputCount() override { return m_open ? m_input.size() : 0; }
    qint64 outputCount() override;
    void clearBuffer(bool input, bool output) override;

    bool cts() const override { return m_open && m_cts; }
    bool dsr() const override { return m_open && m_dsr; }
    QString errorString() const override { return m_error; }
    QStringList refusedSettings() const override { return m_open ? m_unconfirmed : QStringList(); }
    QString lineNote() const override;

    // Shorter bounds, for tests.
    void setBounds(int connectMs, int confirmMs);
    // Bytes thrown away because they arrived while DSR was off, since the port was made.
    qint64 discardedBytes() const { return m_discarded; }
    // Connections made since the port was made (a reopen that kept one does not count).
    int connections() const { return m_connections; }

private:
    struct Expected {
        quint8 code;
        QByteArray value;
        QString name;
    };

    bool rfc2217() const { return m_address && m_address->mode == NetworkAddress::Mode::Rfc2217; }
    void onConnected();
    void onReadable();
    void onLost(const QString& why);
    void onConfirmWindowEnd();
    void negotiate(quint8 verb, quint8 option);
    void comPortAnswer(quint8 code, const QByteArray& value);
    QList<Expected> expectedSettings() const;
    void sendLineSettings(bool opening);
    void lineReady();
    void setLines(bool cts, bool dsr);
    void takeData(const QByteArray& bytes);
    void send(const QByteArray& wireBytes);
    void endConnection();
    void fail(const QString& text);

    PortSettings m_settings;
    std::optional<NetworkAddress> m_address;
    QTcpSocket m_socket;
    QTimer m_connectTimer;
    QTimer m_confirmTimer;
    telnet::Parser m_parser;
    int m_connectMs = kConnectMs;
    int m_confirmMs = kConfirmMs;
    quint64 m_generation = 0; // a late notice of an ended connection is told apart by it
    int m_connections = 0;
    bool m_open = false;
    bool m_closing = false;
    bool m_connected = false;
    bool m_lingering = false;    // closed, the connection kept until the loop turns
    bool m_comPort = false;      // the server took COM-PORT-OPTION
    bool m_ready = false;        // the settings went (or cannot go): written bytes go straight out
    bool m_modemState = false;   // the server has sent its modem state
    quint8 m_modemSeen = 0;      // every line its modem states have had on
    bool m_noModemState = false; // the window ended without one: the lines count as on
    bool m_cts = false;
    bool m_dsr = false;
    std::bitset<256> m_usOn, m_usAsked, m_usRefused;    // options we do
    std::bitset<256> m_himOn, m_himAsked, m_himRefused; // options the server does
    QList<Expected> m_expected;                         // sent, not yet confirmed
    QStringList m_unconfirmed;
    QByteArray m_input;
    QByteArray m_held; // written before the line was ready
    qint64 m_discarded = 0;
    QString m_error;
};

} // namespace velmorix
