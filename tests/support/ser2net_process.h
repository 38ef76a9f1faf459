#pragma once

#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace velmorix::test {

// ser2net (Debian's serial-to-network server, which scripts/setup installs) in front of a terminal,
// on a free port of 127.0.0.1 and nowhere else, started and stopped by the test that needs it.
// RFC 2217 mode is the accepter "telnet(rfc2217),tcp,127.0.0.1,PORT", raw mode "tcp,127.0.0.1,PORT";
// the connector is "serialdev,DEVICE,LINE,local" (LINE as ser2net writes it: 38400e72, 115200n81).
class Ser2NetProcess {
public:
    enum class Mode { Rfc2217, Raw };

    ~Ser2NetProcess() { stop(); }

    // Starts it and waits until it listens. `port` 0 takes a free one; a restart keeps the last one.
    bool start(const QString& device, Mode mode, const QString& line = QStringLiteral("38400e72"),
               quint16 port = 0) {
        stop();
        m_mode = mode;
        m_port = port ? port : (m_port ? m_port : freePort());
        const QString accepter = mode == Mode::Rfc2217 ? QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1")
                                                       : QStringLiteral("tcp,127.0.0.1,%1");
        const QString config = QStringLiteral("%YAML 1.1\n---\n"
                                              "connection: &line\n"
                                              "    accepter: %1\n"
                                              "    connector: serialdev,%2,%3,local\n"
                                              "    options:\n"
                                              "      kickolduser: true\n")
                                   .arg(accepter.arg(m_port), device, line);
        QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
        if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0)
            return false;
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // In the foreground, logging to its output, without UUCP lock files.
        m_process.start(program(), {"-d", "-u", "-c", file.fileName()});
        if (!m_process.waitForStarted(5000))
            return false;
        return QTest::qWaitFor([this] { return listening() || m_process.state() == QProcess::NotRunning; },
                               5000) &&
               listening();
    }
    // Ends it as an operator would; kill() as a power cut does.
    void stop() { end(false); }
    void kill() { end(true); }
    bool running() const { return m_process.state() != QProcess::NotRunning; }

    quint16 port() const { return m_port; }
    QString url() const {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(m_mode == Mode::Rfc2217 ? "rfc2217" : "tcp")
            .arg(m_port);
    }
    QString output() { return m_output += QString::fromLocal8Bit(m_process.readAll()); }

    // Where it is installed (/usr/sbin is not on every user's PATH).
    static QString program() {
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        return onPath.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                                                 {"/usr/sbin", "/usr/local/sbin"})
                                : onPath;
    }

private:
    static quint16 freePort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    // Whether the kernel has our port listening on 127.0.0.1, without connecting to it (a connection
    // would open the device).
    bool listening() const {
        QFile tcp(QStringLiteral("/proc/net/tcp"));
        if (!tcp.open(QIODevice::ReadOnly))
            return false;
        const QByteArray entry = QStringLiteral("0100007F:%1 00000000:0000 0A")
                                     .arg(m_port, 4, 16, QLatin1Char('0'))
                                     .toUpper()
                                     .toLatin1();
        return tcp.readAll().contains(entry);
    }
    void end(bool hard) {
        if (m_process.state() == QProcess::NotRunning)
            return;
        if (hard)
            m_process.kill();
        else
            m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
        output();
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    Mode m_mode = Mode::Rfc2217;
    quint16 m_port = 0;
    QString m_output;
};

} // namespace velmorix::test
