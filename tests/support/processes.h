#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTest>

#include <functional>

namespace velmorix::test {

// One of our programs run to its end: its exit status (-1 when it did not end by itself) and what it
// wrote on each output.
struct ProgramRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs `program` in `dir`; `whileRunning` may act on it meanwhile (wait for something, signal it).
inline ProgramRun runProgram(const QString& program, const QString& dir, const QStringList& args,
                             int timeoutMs = 120000,
                             const std::function<void(QProcess&)>& whileRunning = {}) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {};
    if (whileRunning)
        whileRunning(p);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// velmorix-sim (the program at `program`) on a new pseudo-terminal, with its wire log in a file: the
// log's notes ("stored 1006 d.Cnc: 5000 lines; 0 overruns") are the judge of what reached it.
class SimProcess {
public:
    SimProcess(QString program, QString logPath)
        : m_program(std::move(program)), m_logPath(std::move(logPath)) {}
    ~SimProcess() { stop(); }

    // Starts it with these options and waits for the terminal it serves.
    bool start(const QStringList& options) {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(m_program, options + QStringList{"--log", m_logPath});
        if (!m_process.waitForStarted(10000))
            return false;
        static const QRegularExpression where(QStringLiteral("controller on (\\S+)"));
        QString printed;
        const bool found = QTest::qWaitFor(
            [&] {
                printed += QString::fromLocal8Bit(m_process.readAll());
                return where.match(printed).hasMatch();
            },
            10000);
        if (found)
            m_path = where.match(printed).captured(1);
        return found;
    }
    // Asks it to stop (SIGTERM) and waits; kills it when it will not.
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    QProcess& process() { return m_process; }
    QString path() const { return m_path; }
    QString log() const {
        QFile f(m_logPath);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
    // The first match of `pattern` in the log, waiting up to `ms` for it.
    QRegularExpressionMatch waitFor(const QString& pattern, int ms) const {
        const QRegularExpression re(pattern);
        QRegularExpressionMatch m;
        [[maybe_unused]] const bool found = QTest::qWaitFor(
            [&] {
                m = re.match(log());
                return m.hasMatch();
            },
            ms);
        return m;
    }

private:
    QString m_program;
    QString m_logPath;
    QProcess m_process;
    QString m_path;
};

} // namespace velmorix::test
