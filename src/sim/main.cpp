// velmorix-sim: the virtual controller on a pseudo-terminal or a serial device.

#include "core/wire/wire_log_file.h"
#include "platform/qt_clock.h"
#include "platform/stop_requests.h"
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/pty_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <optional>

using namespace velmorix;
using namespace velmorix::sim;

namespace {

QString faultHelp() {
    return QStringLiteral(
        "Faults (--fault NAME[=VALUE][@START_MS][+DURATION_MS][xCOUNT], may be given again):\n"
        "  DropDsr             DSR off during the window\n"
        "  HoldCts             CTS off during the window\n"
        "  XoffStorm           VALUE (8) XOFF bytes at the start, one before every frame, XON at the end\n"
        "  NoiseBetweenFrames  VALUE (7) noise bytes before every status frame\n"
        "  TruncatedFrame      status frames end half way, without their DC4\n"
        "  WrongLengthFrame    status frames carry one byte too many\n"
        "  StaleSequence       status frames carry the reply sequence of the request before\n"
        "  ErrorNumber         the status word carries error number VALUE (0..99)\n"
        "  SilentHandshake     file announcements get no answer\n"
        "  RefuseArmFrame      upload frame VALUE (0 hello, 1 header, 2.. data) is refused\n"
        "  SlowDnc             each DNC line takes VALUE ms (2000)\n"
        "  BadServedChecksum   served PLC programs carry a wrong checksum record\n"
        "  LineNoise           each data bit flips with a chance of VALUE (100) per million, both\n"
        "                      ways; a byte with a parity error is read as 0\n"
        "  Vanish              the port fails as an unplugged adapter does: the pseudo-terminal\n"
        "                      hangs up\n"
        "A window starts at START_MS after start (0) and lasts DURATION_MS (for ever); COUNT limits\n"
        "how many frames or answers it touches. Example: --fault DropDsr@5000+2000\n");
}

std::optional<Parity> parityFromName(const QString& name) {
    const QStringList names{"none", "odd", "even", "mark", "space"};
    const auto i = names.indexOf(name.toLower());
    if (i < 0)
        return std::nullopt;
    return static_cast<Parity>(i);
}

// What the command line asks for.
struct Settings {
    ControllerOptions controller;
    QList<FaultSpec> faults;
    std::optional<QString> device; // a serial device instead of a new pseudo-terminal
    std::optional<QString> link;   // a symbolic link to make to the pseudo-terminal
    std::optional<QString> logTo;  // a file for the wire log, "-" for standard output
};

int fail(const QString& text) {
    QTextStream(stderr) << "velmorix-sim: " << text << "\n";
    return 2;
}

// The options, their defaults and the help text.
void addOptions(QCommandLineParser& p) {
    p.setApplicationDescription(
        QStringLiteral(
            "Virtual CNC controller for the Velmorix console.\n\n"
            "Serves the controller's side of the protocol on a new pseudo-terminal (default) or on a\n"
            "serial device. Put the printed path into [ComPorts] of Config/Environment.ini, e.g.\n"
            "COM1=/dev/pts/7, and link the console with matching line settings. Ctrl-C ends it.\n\n") +
        faultHelp());
    p.addHelpOption();
    const QCommandLineOption device({"d", "device"},
                                    "Serve on this serial device instead of a pseudo-terminal.", "path");
    const QCommandLineOption link("link", "Also make a symbolic link at this path to the pseudo-terminal.",
                                  "path");
    const QCommandLineOption baud(
        {"b", "baud"}, "Line rate: 9600, 19200, 28800, 38400, 57600, 115200 (38400).", "rate", "38400");
    const QCommandLineOption parity("parity", "Parity: none, odd, even, mark, space (even).", "name", "even");
    const QCommandLineOption dataBits("data-bits", "Data bits: 7 or 8 (7).", "n", "7");
    const QCommandLineOption stopBits("stop-bits", "Stop bits: 1 or 2 (2).", "n", "2");
    const QCommandLineOption interval(
        "interval", "Start a status frame every this many ms; 0 streams them back to back (0).", "ms", "0");
    const QCommandLineOption inputRate("input-rate",
                                       "Bytes per second the controller takes in from its receive buffer; 0 "
                                       "takes them as they come (0). CTS goes off above 192 bytes not yet "
                                       "taken in and on again at 64.",
                                       "bytes", "0");
    const QCommandLineOption inputBuffer("input-buffer",
                                         "Size of the receive buffer, shared with the DNC lines waiting to "
                                         "run; a byte that arrives while it is full is an overrun (4096).",
                                         "bytes", "4096");
    const QCommandLineOption xoffMark("xoff-mark", "Send XOFF once this many bytes are in the buffer (2048).",
                                      "bytes", "2048");
    const QCommandLineOption xonMark("xon-mark", "Send XON once down to this many (512).", "bytes", "512");
    const QCommandLineOption dncLine("dnc-line-ms", "Time one line of a DNC program takes to run (100).",
                                     "ms", "100");
    const QCommandLineOption fault("fault", "Switch on a fault (see below); may be given again.", "fault");
    const QCommandLineOption logTo(
        "log", "Write the wire log (hex and text) to this file, or - for standard output.", "file");
    const QCommandLineOption serial("serial", "Serial number shown by the console (142857).", "n", "142857");
    const QCommandLineOption type("type", "Type text, four characters, a dash, four characters (SIM1-0001).",
                                  "text", "SIM1-0001");
    p.addOptions({device, link, baud, parity, dataBits, stopBits, interval, inputRate, inputBuffer, xoffMark,
                  xonMark, dncLine, fault, logTo, serial, type});
}

// The settings the processed command line asks for; nullopt with the reason in *error when a value is
// not usable.
std::optional<Settings> readSettings(const QCommandLineParser& p, QString* error) {
    Settings s;
    PortSettings& line = s.controller.line;
    line.baudRate = p.value("baud").toInt();
    line.customRate = line.baudRate == 28800;
    const auto parity = parityFromName(p.value("parity"));
    if (!parity) {
        *error = QStringLiteral("unknown parity %1").arg(p.value("parity"));
        return std::nullopt;
    }
    line.parity = *parity;
    line.dataBits = p.value("data-bits").toInt();
    line.stopBits = p.value("stop-bits").toInt();
    if (line.baudRate <= 0 || (line.dataBits != 7 && line.dataBits != 8) ||
        (line.stopBits != 1 && line.stopBits != 2)) {
        *error = QStringLiteral("bad line settings");
        return std::nullopt;
    }
    s.controller.frameIntervalMs = p.value("interval").toInt();
    s.controller.inputBytesPerSecond = p.value("input-rate").toInt();
    s.controller.inputBufferBytes = p.value("input-buffer").toInt();
    s.controller.xoffMark = p.value("xoff-mark").toInt();
    s.controller.xonMark = p.value("xon-mark").toInt();
    if (s.controller.xonMark < 0 || s.controller.xonMark >= s.controller.xoffMark ||
        s.controller.xoffMark > s.controller.inputBufferBytes) {
        *error = QStringLiteral("the marks must read 0 <= xon-mark < xoff-mark <= input-buffer");
        return std::nullopt;
    }
    s.controller.dncLineMs = p.value("dnc-line-ms").toInt();
    s.controller.identity.serialNumber = p.value("serial").toInt();
    s.controller.identity.typeText = p.value("type").toLatin1();
    for (const QString& text : p.values("fault")) {
        const auto f = parseFault(text, error);
        if (!f)
            return std::nullopt;
        s.faults << *f;
    }
    if (p.isSet("device"))
        s.device = p.value("device");
    if (p.isSet("link"))
        s.link = p.value("link");
    if (p.isSet("log"))
        s.logTo = p.value("log");
    return s;
}

// The controller the settings describe, its line time starting now.
std::unique_ptr<SimulatedController> buildController(Settings s) {
    s.controller.clockAtZero = QDateTime::currentDateTime();
    auto controller = std::make_unique<SimulatedController>(s.controller);
    for (const FaultSpec& f : s.faults)
        controller->addFault(f);
    return controller;
}

// "stopped: 2 stored, 1 refused, 0 overruns": what became of the files sent to it, and the bytes it
// dropped, over the whole run.
QString stopSummary(const SimulatedController& controller) {
    int stored = 0;
    int refused = 0;
    for (const TransferRecord& t : controller.transfers()) {
        stored += t.outcome == TransferRecord::Outcome::Stored;
        refused += t.outcome == TransferRecord::Outcome::Refused;
    }
    return QStringLiteral("stopped: %1 stored, %2 refused, %3 overruns")
        .arg(stored)
        .arg(refused)
        .arg(controller.overruns());
}

// Serves the controller on its terminal until a signal ends it.
int serve(SimulatedController& controller, Clock& clock, const Settings& s) {
    TerminalServer server(controller, clock);
    QString why;
    const bool opened = s.device ? server.openDevice(*s.device, &why) : server.openPseudoTerminal(&why);
    if (!opened)
        return fail(why);
    if (s.link) {
        QFile::remove(*s.link);
        if (!QFile::link(server.path(), *s.link))
            return fail(QStringLiteral("cannot make the link %1").arg(*s.link));
    }
    StopRequests stop;
    QObject::connect(&stop, &StopRequests::requested, QCoreApplication::instance(),
                     [] { QCoreApplication::quit(); });

    const PortSettings& line = s.controller.line;
    QTextStream out(stderr);
    out << "velmorix-sim: controller on " << server.path() << " (" << lineSettingsText(line) << ")\n"
        << "velmorix-sim: in Config/Environment.ini put [ComPorts] COM1=" << server.path() << "\n";
    out.flush();

    const int rc = QCoreApplication::exec();
    const QString summary = stopSummary(controller);
    controller.log().addNote(summary, clock.nowUs());
    if (s.link)
        QFile::remove(*s.link);
    out << "velmorix-sim: " << summary << "\n";
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmorix-sim"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    QString why;
    const std::optional<Settings> settings = readSettings(parser, &why);
    if (!settings)
        return fail(why);

    QtClock clock;
    const auto controller = buildController(*settings);
    // Written as it fills, the rest when it goes.
    std::unique_ptr<WireLogFile> logFile;
    if (settings->logTo) {
        logFile = WireLogFile::open(controller->log(), clock, *settings->logTo, &why);
        if (!logFile)
            return fail(why);
    }
    return serve(*controller, clock, *settings);
}
