// velmorix-cli: the console engine from the command line.
#include "cli/commands.h"
#include "cli/pack_command.h"
#include "cli/session.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kHelp[] =
    "Usage: velmorix-cli COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "The console's protocol from scripts and terminals, on the same engine as the window.\n"
    "\n"
    "Commands:\n"
    "  send    --port PORT [--setup CODE] --type TYPE FILE [--flash] [--from-line N]\n"
    "          Sends FILE as the console's SendOut does; done only when all of it has left the port.\n"
    "  receive --port PORT [--setup CODE] --type TYPE [--output PATH] [--access-code CODE]\n"
    "          Takes a file from the controller and saves it by its type's save method.\n"
    "  watch   --port PORT [--setup CODE] [--vars LIST] [--count N] [--format text|csv|json]\n"
    "          Prints the variables of every accepted status frame, time-stamped.\n"
    "  write   --port PORT [--setup CODE] NUMBER=VALUE [NUMBER=VALUE ...]\n"
    "          Writes values and checks that the controller streams them back.\n"
    "  mdi     --port PORT [--setup CODE] \"COMMAND\"\n"
    "          Sends one MDI command as the console's MDI line does.\n"
    "  ports   Lists the serial devices and the COM name that opens each.\n"
    "  pack    --type TYPE FILE [--list]\n"
    "          Writes what the console makes of FILE as a file of TYPE, byte for byte.\n"
    "\n"
    "PORT is a COM name mapped through [ComPorts] of Config/Environment.ini in the current folder, a\n"
    "device path, or simulator for the built-in virtual controller. CODE is the console's six-digit\n"
    "setup code (default 142720: 38400 baud, even parity, 7 data bits, 2 stop bits). TYPE is the list\n"
    "index or its item text, in any letter case. Progress goes to standard error while it is a\n"
    "terminal (--quiet silences it); results go to standard output.\n"
    "\n"
    "velmorix-cli COMMAND --help explains each command's options.\n"
    "\n"
    "Exit status: 0 done; 1 the transfer or the link failed; 2 bad usage; 130 after Ctrl-C, which\n"
    "first stops cleanly so the controller is never left waiting inside a file.\n";

int usageError(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return velmorix::cli::kUsage;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usageError(QStringLiteral("velmorix-cli: no command given; try --help"));
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        std::fwrite(kHelp, 1, sizeof kHelp - 1, stdout);
        return 0;
    }
    using namespace velmorix::cli;
    if (command == QLatin1String("send"))
        return runSend(args);
    if (command == QLatin1String("receive"))
        return runReceive(args);
    if (command == QLatin1String("watch"))
        return runWatch(args);
    if (command == QLatin1String("write"))
        return runWrite(args);
    if (command == QLatin1String("mdi"))
        return runMdi(args);
    if (command == QLatin1String("ports"))
        return runPorts(args);
    if (command != QLatin1String("pack"))
        return usageError(QStringLiteral("velmorix-cli: unknown command %1; try --help").arg(command));

    const PackOutput result = runPack(args);
    if (result.status != 0)
        return usageError(result.error);
    if (!result.out.isEmpty() && std::fwrite(result.out.constData(), 1, size_t(result.out.size()), stdout) !=
                                     size_t(result.out.size()))
        return usageError(QStringLiteral("velmorix-cli: cannot write to standard output"));
    return std::fflush(stdout) == 0 ? 0 : 1;
}
