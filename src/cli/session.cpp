#include "cli/session.h"

#include "core/base/ini_file.h"
#include "core/link/port_names.h"
#include "platform/network_address.h"
#include "serial/device_port.h"
#include "serial/network_port.h"
#include "serial/port_facts.h"
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/simulated_port.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace velmorix::cli {

namespace {

int g_signalFds[2] = {-1, -1};

void onSignal(int signal) {
    const char b = static_cast<char>(signal);
    [[maybe_unused]] const auto n = ::write(g_signalFds[0], &b, 1);
}

// Config/Environment.ini in the working directory, read without touching it.
IniFile settingsOfWorkingDir() {
    QFile file(QDir::current().filePath(QStringLiteral("Config/Environment.ini")));
    return file.open(QIODevice::ReadOnly) ? IniFile::fromText(file.readAll()) : IniFile();
}

PortNames portNamesOfWorkingDir() {
    QMap<QString, QString> entries;
    for (const auto& [key, value] : settingsOfWorkingDir().entries(QStringLiteral("ComPorts")))
        entries.insert(key.toUpper(), value);
    return PortNames(entries);
}

} // namespace

void CliPrompts::showMessage(const QString& text) {
    messages << text;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

std::optional<QString> CliPrompts::chooseOpenFile(const FileDialogRequest&) {
    if (openPath.isEmpty())
        return std::nullopt;
    return openPath;
}

std::optional<QString> CliPrompts::chooseSaveFile(const FileDialogRequest& request) {
    return saveAnswer ? saveAnswer(request) : std::nullopt;
}

Session::Session(LinkOptions options) : m_options(std::move(options)) {
    m_terminal = ::isatty(STDERR_FILENO) == 1 && !m_options.quiet;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) == 0) {
        auto* notifier =
            new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, QCoreApplication::instance());
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this] {
            char b = 0;
            [[maybe_unused]] const auto n = ::read(g_signalFds[1], &b, 1);
            m_interrupted = true;
            m_signal = b;
            if (m_loop)
                m_loop->quit();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
}

Session::~Session() {
    close();
    m_simLog.reset();
}

std::unique_ptr<SerialPort> Session::makePort(const QString& device) {
    if (device != PortNames::kSimulator)
        return makeDevicePort(device);
    sim::ControllerOptions o;
    o.clockAtZero = m_clock.localDateTime().addMSecs(-m_clock.nowMs());
    auto controller = std::make_unique<sim::SimulatedController>(o);
    for (const QString& text : m_options.simFaults)
        if (const auto fault = sim::parseFault(text))
            controller->addFault(*fault);
    if (!m_options.simLog.isEmpty()) {
        m_simLog.reset();
        m_simLog = WireLogFile::open(controller->log(), m_clock, m_options.simLog, nullptr);
    } else {
        controller->log().setCapacity(64 * 1024); // the console records the line itself
    }
    return std::make_unique<sim::SimulatedPort>(std::move(controller), m_clock);
}

int Session::open(QString* error) {
    EngineSetup setup;
    if (!applySetupCode(m_options.setup, setup.comm)) {
        *error =
            QStringLiteral("--setup %1 is not a setup code (six digits, e.g. 142720)").arg(m_options.setup);
        return kUsage;
    }
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (m_options.port.isEmpty()) {
        *error = QStringLiteral("--port PORT is required (a COM name, a device path or simulator)");
        return kUsage;
    }
    if (m_options.controllerBuffer >= 0) {
        setup.env.ControllerBufferBytes = m_options.controllerBuffer;
    } else if (const auto bytes = settingsOfWorkingDir().value(QStringLiteral("Dnc"),
                                                               QStringLiteral("ControllerBufferBytes"))) {
        bool ok = false;
        const int n = bytes->trimmed().toInt(&ok);
        if (ok && n >= 0)
            setup.env.ControllerBufferBytes = n;
    }
    const bool byComName = comName.match(m_options.port).hasMatch();
    if (byComName) {
        setup.device = portNamesOfWorkingDir().device(m_options.port.toUpper());
        setup.comm.port = 0; // the console's first port name is the one asked for
        setup.env.ComStartNum = m_options.port.mid(3).toInt();
        setup.settingsPath = QDir::toNativeSeparators(
            QDir::current().absoluteFilePath(QStringLiteral("Config/Environment.ini")));
    } else {
        setup.device = m_options.port;
    }
    for (const QString& text : m_options.simFaults) {
        QString why;
        if (!sim::parseFault(text, &why)) {
            *error = QStringLiteral("--sim-fault %1: %2").arg(text, why);
            return kUsage;
        }
    }
    // Both files are tried before anything links, so a bad path costs nothing.
    for (const QString& path : {m_options.simLog, m_options.wireLog}) {
        if (path.isEmpty() || path == QStringLiteral("-"))
            continue;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
            return kUsage;
        }
    }
    m_console = std::make_unique<Console>(
        m_clock, m_prompts, [this](const QString& device) { return makePort(device); }, QDir::currentPath());
    if (!m_options.wireLog.isEmpty() && !m_console->writeWireLog(m_options.wireLog, error))
        return kUsage;
    m_console->setUp(setup);
    // A COM name that does not open is explained: which device it names, and what would help.
    if (byComName)
        m_console->link().setPortInspector(inspectPort);
    const qsizetype before = m_prompts.messages.size();
    m_console->LinktoCNCButtonClick();
    if (m_prompts.messages.size() > before) { // "Comm: " and the reason, already said
        *error = QString();
        return kFailed;
    }
    // The controller is present while DSR is on. A device server is first connected to, and its lines
    // are known once it says them (or has not within its bound); a connection that fails says why.
    const int waitMs =
        isNetworkPortName(setup.device) ? NetworkPort::kConnectMs + NetworkPort::kConfirmMs + 3000 : 3000;
    const auto failed = [this, before] { return m_prompts.messages.size() > before; };
    const bool up = runUntil([&] { return m_console->state().line.LinkUp || failed(); }, waitMs) && !failed();
    // Said once the line is up or given up on: a device server's answers come after the open.
    if (const QString note = m_console->link().refusalNote(); !note.isEmpty())
        std::fprintf(stderr, "%s\n", note.toLocal8Bit().constData());
    if (!up) {
        *error = m_interrupted || failed()
                     ? QString()
                     : QStringLiteral("no controller on %1 (DSR off)").arg(setup.device);
        return m_interrupted ? interruptedStatus() : kFailed;
    }
    return kDone;
}

bool Session::runUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    if (m_interrupted)
        return false;
    // The event loop sleeps until something happens: the console's own timers, the port, a signal.
    // The condition is looked at whenever the engine says it changed, and every few milliseconds.
    QEventLoop loop;
    QEventLoop* outer = std::exchange(m_loop, &loop);
    bool held = false;
    const auto check = [&] {
        if (done()) {
            held = true;
            loop.quit();
        }
    };
    QTimer look;
    look.setInterval(kLookMs);
    QObject::connect(&look, &QTimer::timeout, &loop, check);
    look.start();
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, [&loop] { loop.quit(); });
    if (timeoutMs > 0)
        bound.start(timeoutMs);
    QMetaObject::Connection changed;
    if (m_console)
        changed = QObject::connect(m_console.get(), &Console::changed, &loop, check);
    loop.exec();
    QObject::disconnect(changed);
    m_loop = outer;
    return held || done();
}

void Session::drain(int timeoutMs) {
    SerialPort* port = m_console ? m_console->link().port() : nullptr;
    if (!port)
        return;
    const bool wasInterrupted = m_interrupted;
    m_interrupted = false;
    // Until the line clock says the last byte has crossed, not only until the driver let go of it.
    Link& link = m_console->link();
    runUntil([port, &link] { return !port->isOpen() || link.lineClear(); }, timeoutMs);
    m_interrupted = wasInterrupted || m_interrupted;
}

void Session::stopCleanly() {
    if (!m_console)
        return;
    m_console->breakOff();
    drain(2000);
    close();
}

int Session::interruptedStatus() const {
    return m_signal == SIGTERM ? kTerminated : kInterrupted;
}

bool Session::waitForStatus(int timeoutMs) {
    const quint64 seen = m_console->state().live.AcceptedFrames;
    return runUntil([this, seen] { return m_console->state().live.AcceptedFrames > seen; }, timeoutMs);
}

void Session::close() {
    if (m_console)
        m_console->link().closePort();
}

void Session::progress(const QString& line) {
    if (!m_terminal)
        return;
    std::fprintf(stderr, "\r%-78s", line.left(78).toLocal8Bit().constData());
    std::fflush(stderr);
    m_progressShown = true;
}

void Session::endProgress() {
    if (!m_progressShown)
        return;
    std::fprintf(stderr, "\r%78s\r", "");
    std::fflush(stderr);
    m_progressShown = false;
}

std::optional<QList<qint32>> parseVariableList(const QString& text) {
    QList<qint32> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList ends = part.trimmed().split(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = true;
        const qint32 first = ends.value(0).toInt(&ok1);
        const qint32 last = ends.size() == 2 ? ends[1].toInt(&ok2) : first;
        if (!ok1 || !ok2 || ends.size() > 2 || last < first || last - first > 1000)
            return std::nullopt;
        for (qint32 v = first; v <= last; ++v)
            out << v;
    }
    if (out.isEmpty())
        return std::nullopt;
    return out;
}

} // namespace velmorix::cli
