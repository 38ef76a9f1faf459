#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace velmorix::test {

// A pseudo-terminal pair: the code under test opens the slave by its path, the test plays the
// other end of the line on the master.
class PtyPair {
public:
    PtyPair() {
        int slave = -1;
        char name[256] = {};
        if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            return;
        ::close(slave); // the port under test is the only one on the slave side
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        m_slavePath = QString::fromLocal8Bit(name);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return m_master >= 0 && !m_slavePath.isEmpty(); }
    QString slavePath() const { return m_slavePath; }
    int master() const { return m_master; }

    void closeMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    // Sends bytes from the far end of the line.
    bool send(const QByteArray& bytes) const {
        return ::write(m_master, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }

    // Whatever has arrived on the master so far, without waiting.
    QByteArray drain() {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            m_received.append(buf, n);
        }
        return m_received;
    }

    // Runs the event loop until at least `count` bytes have arrived on the master or the wait runs
    // out; returns everything received and clears it.
    QByteArray receive(qsizetype count, int timeoutMs = 5000) {
        (void)QTest::qWaitFor([&] { return drain().size() >= count; }, timeoutMs);
        QByteArray out = m_received;
        m_received.clear();
        return out;
    }

    // The slave's line settings, as seen from the master.
    termios slaveTermios() const {
        termios t{};
        ::tcgetattr(m_master, &t);
        return t;
    }

private:
    int m_master = -1;
    QString m_slavePath;
    QByteArray m_received;
};

// Runs the event loop for a while, idle between events; for checking that nothing more happens.
inline void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace velmorix::test
