#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>
#include <memory>

namespace velmorix::test {

// A serial device server of the tests' own on 127.0.0.1: RFC 2217 (or raw TCP), one connection at a
// time, the newest one served. It reads telnet by itself (not with the console's parser, which it is
// there to check), answers the com-port commands a test lets it answer, and sends NOTIFY-MODEMSTATE
// when asked for its modem state and whenever its DSR or CTS change, as a server in front of a real
// RS-232 line does. Bytes are literal here, never the console's constants.
class DeviceServerPeer {
public:
    explicit DeviceServerPeer(bool rfc2217 = true) : m_rfc2217(rfc2217) {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }
    ~DeviceServerPeer() {
        if (m_socket)
            QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
    }

    // Whether it answers the modem-state mask and tells its line changes (it does unless told not to).
    void setModemState(bool on) { m_modemState = on; }
    // Whether a com-port command (code, value) is answered; all are unless a test says otherwise.
    void setConfirm(std::function<bool(quint8 code, const QByteArray& value)> confirm) {
        m_confirm = std::move(confirm);
    }

    quint16 port() const { return m_server.serverPort(); }
    QString url() const {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_rfc2217 ? "rfc2217" : "tcp").arg(port());
    }
    bool connected() const { return m_socket && m_socket->state() == QAbstractSocket::ConnectedState; }
    int connections() const { return m_connections; }

    // The far end of the line sends bytes (doubled 0xFF in RFC 2217 mode).
    void send(const QByteArray& data) {
        if (!connected())
            return;
        QByteArray out;
        for (const char b : data) {
            out += b;
            if (m_rfc2217 && quint8(b) == 0xFF)
                out += b;
        }
        m_socket->write(out);
        m_socket->flush();
    }
    // What a test writes on the connection as it stands (telnet commands included).
    void sendWire(const QByteArray& bytes) {
        if (connected()) {
            m_socket->write(bytes);
            m_socket->flush();
        }
    }
    // The data the console sent, unescaped; everything that arrived, as it arrived.
    QByteArray received() const { return m_data; }
    QByteArray wire() const { return m_wire; }
    // The com-port commands received: the code, then the value.
    QList<QByteArray> commands() const { return m_commands; }
    // Bytes not yet handed to the system.
    qint64 bytesToWrite() const { return m_socket ? m_socket->bytesToWrite() : 0; }

    void setDsr(bool on) {
        const bool changed = on != m_dsr;
        m_dsr = on;
        if (changed && m_maskSet)
            sendModemState(0x02);
    }
    void setCts(bool on) {
        const bool changed = on != m_cts;
        m_cts = on;
        if (changed && m_maskSet)
            sendModemState(0x01);
    }
    // The device server goes away: the connection ends without a word.
    void hangUp() {
        if (m_socket)
            m_socket->abort();
    }
    void close() {
        hangUp();
        m_server.close();
    }

    // Each piece of data as it arrives.
    std::function<void(const QByteArray&)> onData;

private:
    void accept() {
        while (QTcpSocket* next = m_server.nextPendingConnection()) {
            if (m_socket)
                QObject::disconnect(m_socket.get(), nullptr, nullptr, nullptr);
            m_socket.reset(next);
            m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            ++m_connections;
            m_maskSet = false;
            m_iac = m_sb = m_sbIac = false;
            m_verb = 0;
            QObject::connect(m_socket.get(), &QTcpSocket::readyRead, m_socket.get(), [this] { readable(); });
        }
    }

    void readable() {
        const QByteArray bytes = m_socket->readAll();
        m_wire += bytes;
        if (!m_rfc2217) {
            data(bytes);
            return;
        }
        QByteArray plain;
        for (const char c : bytes) {
            const quint8 b = quint8(c);
            if (m_sb) {
                if (m_sbIac) {
                    m_sbIac = false;
                    if (b == 0xF0) {
                        m_sb = false;
                        subnegotiation();
                    } else {
                        m_sbBytes += c;
                    }
                } else if (b == 0xFF) {
                    m_sbIac = true;
                } else {
                    m_sbBytes += c;
                }
            } else if (m_verb) {
                negotiate(m_verb, b);
                m_verb = 0;
            } else if (m_iac) {
                m_iac = false;
                if (b == 0xFF) {
                    plain += c;
                } else if (b == 0xFA) {
                    m_sb = true;
                    m_sbBytes.clear();
                } else if (b >= 0xFB) {
                    m_verb = b;
                }
            } else if (b == 0xFF) {
                m_iac = true;
            } else {
                plain += c;
            }
        }
        data(plain);
    }

    void data(const QByteArray& bytes) {
        if (bytes.isEmpty())
            return;
        m_data += bytes;
        if (onData)
            onData(bytes);
    }

    // WILL is answered DO, DO is answered WILL, each once: this server does whatever is asked.
    void negotiate(quint8 verb, quint8 option) {
        if (verb == 0xFB)
            m_socket->write(QByteArray("\xff\xfd") + char(option));
        else if (verb == 0xFD)
            m_socket->write(QByteArray("\xff\xfb") + char(option));
    }

    void subnegotiation() {
        if (m_sbBytes.size() < 2 || quint8(m_sbBytes[0]) != 44)
            return;
        const quint8 code = quint8(m_sbBytes[1]);
        const QByteArray value = m_sbBytes.mid(2);
        m_commands << m_sbBytes.mid(1);
        if (code == 11) { // SET-MODEMSTATE-MASK
            m_maskSet = true;
            if (m_modemState)
                sendModemState(0);
            return;
        }
        if (m_confirm && !m_confirm(code, value))
            return;
        QByteArray answer("\xff\xfa\x2c");
        answer += char(code + 100);
        for (const char b : value) {
            answer += b;
            if (quint8(b) == 0xFF)
                answer += b;
        }
        m_socket->write(answer + "\xff\xf0");
    }

    void sendModemState(quint8 deltas) {
        if (!m_modemState || !connected())
            return;
        const char bits = char((m_cts ? 0x10 : 0) | (m_dsr ? 0x20 : 0) | deltas);
        m_socket->write(QByteArray("\xff\xfa\x2c\x6b") + bits + QByteArray("\xff\xf0"));
        m_socket->flush();
    }

    bool m_rfc2217 = true;
    bool m_modemState = true;
    std::function<bool(quint8, const QByteArray&)> m_confirm;
    QTcpServer m_server;
    std::unique_ptr<QTcpSocket> m_socket;
    int m_connections = 0;
    bool m_dsr = true;
    bool m_cts = true;
    bool m_maskSet = false;
    bool m_iac = false;
    bool m_sb = false;
    bool m_sbIac = false;
    quint8 m_verb = 0;
    QByteArray m_sbBytes;
    QByteArray m_data;
    QByteArray m_wire;
    QList<QByteArray> m_commands;
};

} // namespace velmorix::test
