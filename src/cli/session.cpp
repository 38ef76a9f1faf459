#include "cli/session.h"

#include "cli/cli_journal.h"

#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "core/link/port_names.h"
#include "platform/network_address.h"
#include "serial/device_port.h"
#include "serial/network_port.h"
#include "serial/port_facts.h"
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/simulated_port.h"

#include <QDir>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <utility>

namespace velmorix::cli {

class Session::Prompts final : public velmorix::Prompts {
public:
    void showMessage(const QString& text) override { say(text); }
    std::optional<QString> chooseOpenFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<qint32> askNewValue(const NewValueRequest&) override { return std::nullopt; }
    UploadWarningAnswer askUploadWarning() override { return {true, false}; }
    std::optional<QString> chooseSaveFile(const FileDialogRequest&) override { return std::nullopt; }
    IdAnswer askId(const QString&, const QString&) override { return {!accessCode.isEmpty(), accessCode}; }
    std::optional<LoginAnswer> askLogin() override { return std::nullopt; }
    std::optional<Settings> askRanges(const Settings&) override { return std::nullopt; }
    std::optional<qint32> askComStart(qint32) override { return std::nullopt; }
    void showClock(const ClockDialog&) override {}
    PreambleAnswer askPreamble(qint32, const QList<QByteArray>&) override { return PreambleAnswer::Skip; }

    QString accessCode;
};

namespace {

// Config/Environment.ini in the working directory, read without touching it.
IniFile settingsOfWorkingDir() {
    QFile file(QDir::current().filePath(QStringLiteral("Config/Environment.ini")));
    return file.open(QIODevice::ReadOnly) ? IniFile::fromText(file.readAll()) : IniFile();
}

} // namespace

Session::Session(LinkOptions options)
    : m_options(std::move(options)), m_prompts(std::make_unique<Prompts>()) {
    m_terminal = stderrIsTerminal() && !m_options.quiet;
    QObject::connect(&m_stop, &StopRequests::requested, [this](int status) {
        m_stopStatus = status;
        if (m_loop)
            m_loop->quit();
    });
}

void Session::setAccessCode(const QString& code) {
    m_prompts->accessCode = code;
}

Session::~Session() {
    close();
    // Every record is written or spooled before the command ends, and a problem is said.
    if (m_console)
        m_console->setJournal(nullptr);
    m_journal.reset();
    // The built-in controller's log file goes before the controller, which the console's port owns.
    m_simLog.reset();
    m_console.reset();
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

std::optional<EngineSetup> Session::engineSetup(int* status) {
    *status = kUsage;
    EngineSetup setup;
    if (!applySetupCode(m_options.setup, setup.comm)) {
        say(QStringLiteral("--setup %1 is not a setup code (six digits, e.g. 142720)").arg(m_options.setup));
        return std::nullopt;
    }
    if (m_options.port.isEmpty()) {
        say(QStringLiteral("--port PORT is required (a COM name, a device path or simulator)"));
        return std::nullopt;
    }
    for (const QString& text : m_options.simFaults) {
        QString why;
        if (!sim::parseFault(text, &why)) {
            say(QStringLiteral("--sim-fault %1: %2").arg(text, why));
            return std::nullopt;
        }
    }
    // Both files are tried before anything links, so a bad path costs nothing.
    for (const QString& path : {m_options.simLog, m_options.wireLog}) {
        QFile file(path);
        if (!path.isEmpty() && path != QStringLiteral("-") && !file.open(QIODevice::WriteOnly)) {
            say(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
            return std::nullopt;
        }
    }
    QString why;
    m_journalLocation = journalLocation(m_options.journal, &why);
    if (!m_journalLocation) {
        say(QStringLiteral("--journal: %1").arg(why));
        return std::nullopt;
    }
    const IniFile ini = settingsOfWorkingDir();
    setup.env.comPorts = comPortEntries(ini);
    setup.env.ControllerBufferBytes =
        m_options.controllerBuffer >= 0 ? m_options.controllerBuffer : controllerBufferBytes(ini);
    // A COM name opens what [ComPorts] maps it to; anything else is the device itself.
    static const QRegularExpression comName(QStringLiteral("^COM[0-9]+$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (comName.match(m_options.port).hasMatch()) {
        setup.comm.port = 0; // the console's first port name is the one asked for
        setup.env.ComStartNum = m_options.port.mid(3).toInt();
        setup.settingsPath = QDir::toNativeSeparators(
            QDir::current().absoluteFilePath(QStringLiteral("Config/Environment.ini")));
    } else {
        setup.device = m_options.port;
    }
    *status = kDone;
    return setup;
}

int Session::open() {
    int status = kDone;
    const auto setup = engineSetup(&status);
    if (!setup)
        return status;
    m_console = std::make_unique<Console>(
        m_clock, *m_prompts, [this](const QString& device) { return makePort(device); }, QDir::currentPath());
    m_journal = std::make_unique<SqlJournal>(*m_journalLocation, QStringLiteral("velmorix-cli"));
    m_journal->setProblemHandler([](const QString& problem) { say(problem); });
    m_console->setJournal(m_journal.get());
    QString error;
    if (!m_options.wireLog.isEmpty() && !m_console->writeWireLog(m_options.wireLog, &error))
        return usage(error);
    m_console->setUp(*setup);
    m_console->link().setPortInspector(inspectPort);
    if (const LinkResult linked = m_console->linkToCnc(); !linked.ok) {
        say(linked.failure);
        return kFailed;
    }
    // The controller is present while DSR is on, and talks once it streams its status. A device server
    // is connected to first, and its lines are known once it has said them (or has not, within its
    // bound); a connection that fails has said why already.
    const QString device = m_console->link().device();
    const int waitMs =
        isNetworkPortName(device) ? NetworkPort::kConnectMs + NetworkPort::kConfirmMs + 3000 : 3000;
    SerialPort* port = m_console->link().port();
    const auto lost = [port] { return port && !port->isOpen(); };
    const bool up = runUntil([&] { return m_console->state().line.LinkUp || lost(); }, waitMs) && !lost();
    // Said once the line is up or given up on: a device server's answers come after the open.
    if (const QString note = m_console->link().refusalNote(); !note.isEmpty())
        say(note);
    if (!up) {
        if (stopRequested())
            return m_stopStatus;
        if (!lost())
            say(QStringLiteral("no controller on %1 (DSR off)").arg(device));
        return kFailed;
    }
    return kDone;
}

int Session::openAndHearStatus() {
    if (const int status = open(); status != kDone)
        return status;
    if (waitForStatus(kStatusWaitMs))
        return kDone;
    if (stopRequested())
        return m_stopStatus;
    say(QStringLiteral("no status from the controller on %1 for %2 s")
            .arg(m_console->link().device())
            .arg(kStatusWaitMs / 1000));
    return kFailed;
}

bool Session::runUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done())
        return true;
    if (stopRequested())
        return false;
    // The condition is looked at whenever the engine says something changed, and every few
    // milliseconds; in between the loop sleeps.
    QEventLoop loop;
    QEventLoop* outer = std::exchange(m_loop, &loop);
    bool held = false;
    const auto check = [&] {
        if (!held && done()) {
            held = true;
            loop.quit();
        }
    };
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, check);
    look.start(20);
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, &loop, &QEventLoop::quit);
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

bool Session::waitForStatus(int timeoutMs) {
    const quint64 seen = m_console->state().live.AcceptedFrames;
    return runUntil([this, seen] { return m_console->state().live.AcceptedFrames > seen; }, timeoutMs);
}

void Session::drain(int timeoutMs) {
    SerialPort* port = m_console ? m_console->link().port() : nullptr;
    if (!port)
        return;
    const int stop = std::exchange(m_stopStatus, 0);
    Link& link = m_console->link();
    runUntil([port, &link] { return !port->isOpen() || link.lineClear(); }, timeoutMs);
    m_stopStatus = stop ? stop : m_stopStatus;
}

void Session::stopCleanly() {
    if (!m_console)
        return;
    m_console->breakOff();
    drain(2000);
    close();
}

void Session::close() {
    if (!m_console)
        return;
    // The line clock says when the last byte has crossed by the console's own count; the controller
    // reads its end of the line on its own time, behind a driver, an adapter's FIFO or a device server.
    // The line stays open a moment longer, so that the close never cuts off the end of what it was
    // sent (a DNC run's last line and its DC4).
    if (SerialPort* port = m_console->link().port(); port && port->isOpen()) {
        drain(2000);
        if (port->isOpen() && !stopRequested())
            runUntil([] { return false; }, kSettleMs);
    }
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
