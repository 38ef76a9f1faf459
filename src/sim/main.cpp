// velmorix-sim: the virtual controller on a pseudo-terminal or a serial device.

#include "platform/qt_clock.h"
#include "sim/controller.h"
#include "sim/faults.h"
#include "sim/pty_server.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <unistd.h>

using namespace velmorix;
using namespace velmorix::sim;

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[1], &c, 1);
}

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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmorix-sim"));

    QCommandLineParser p;
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
                                       "Bytes per second the controller takes from its input buffer; 0 takes "
                                       "them as they come (0). CTS goes off above 192 waiting bytes.",
                                       "bytes", "0");
    const QCommandLineOption dncLine("dnc-line-ms", "Time one line of a DNC program takes to run (100).",
                                     "ms", "100");
    const QCommandLineOption fault("fault", "Switch on a fault (see below); may be given again.", "fault");
    const QCommandLineOption logTo(
        "log", "Write the wire log (hex and text) to this file, or - for standard output.", "file");
    const QCommandLineOption serial("serial", "Serial number shown by the console (142857).", "n", "142857");
    const QCommandLineOption type("type", "Type text, four characters, a dash, four characters (SIM1-0001).",
                                  "text", "SIM1-0001");
    p.addOptions({device, link, baud, parity, dataBits, stopBits, interval, inputRate, dncLine, fault, logTo,
                  serial, type});
    p.process(app);

    QTextStream err(stderr);
    auto fail = [&](const QString& text) {
        err << "velmorix-sim: " << text << "\n";
        return 2;
    };

    ControllerOptions options;
    options.line.baudRate = p.value(baud).toInt();
    options.line.customRate = options.line.baudRate == 28800;
    const auto par = parityFromName(p.value(parity));
    if (!par)
        return fail(QStringLiteral("unknown parity %1").arg(p.value(parity)));
    options.line.parity = *par;
    options.line.dataBits = p.value(dataBits).toInt();
    options.line.stopBits = p.value(stopBits).toInt();
    if (options.line.baudRate <= 0 || (options.line.dataBits != 7 && options.line.dataBits != 8) ||
        (options.line.stopBits != 1 && options.line.stopBits != 2))
        return fail(QStringLiteral("bad line settings"));
    options.frameIntervalMs = p.value(interval).toInt();
    options.inputBytesPerSecond = p.value(inputRate).toInt();
    options.dncLineMs = p.value(dncLine).toInt();
    options.identity.serialNumber = p.value(serial).toInt();
    options.identity.typeText = p.value(type).toLatin1();
    QtClock clock;
    options.clockAtZero = QDateTime::currentDateTime();
    SimulatedController controller(options);
    for (const QString& text : p.values(fault)) {
        QString why;
        const auto f = parseFault(text, &why);
        if (!f)
            return fail(why);
        controller.addFault(*f);
    }

    std::unique_ptr<QFile> logFile;
    controller.log().setRetain(false);
    if (p.isSet(logTo)) {
        logFile = std::make_unique<QFile>();
        const bool ok = p.value(logTo) == "-"
                            ? logFile->open(stdout, QIODevice::WriteOnly)
                            : (logFile->setFileName(p.value(logTo)), logFile->open(QIODevice::WriteOnly));
        if (!ok)
            return fail(QStringLiteral("cannot write %1").arg(p.value(logTo)));
        controller.log().setSink([f = logFile.get()](const WireLog::Entry& e) {
            f->write(WireLog::format(e).toUtf8());
            f->flush();
        });
    }

    TerminalServer server(controller, clock);
    QString why;
    const bool opened =
        p.isSet(device) ? server.openDevice(p.value(device), &why) : server.openPseudoTerminal(&why);
    if (!opened)
        return fail(why);
    if (p.isSet(link)) {
        QFile::remove(p.value(link));
        if (!QFile::link(server.path(), p.value(link)))
            return fail(QStringLiteral("cannot make the link %1").arg(p.value(link)));
    }

    if (::pipe(g_signalPipe) != 0)
        return fail(QStringLiteral("pipe failed"));
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    QSocketNotifier stop(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    QTextStream out(stderr);
    out << "velmorix-sim: controller on " << server.path() << " (" << options.line.baudRate << ","
        << "NOEMS"[static_cast<int>(options.line.parity)] << "," << options.line.dataBits << ","
        << options.line.stopBits << ")\n"
        << "velmorix-sim: in Config/Environment.ini put [ComPorts] COM1=" << server.path() << "\n";
    out.flush();

    const int rc = QCoreApplication::exec();
    controller.log().flush();
    if (p.isSet(link))
        QFile::remove(p.value(link));
    out << "velmorix-sim: stopped\n";
    return rc;
}
