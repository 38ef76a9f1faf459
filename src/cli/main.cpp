// velmorix-cli: the console engine from the command line.
#include "cli/cli.h"
#include "cli/commands.h"

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
    "  send    --port PORT [--setup CODE] --type TYPE FILE [--flash] [--from-line N [--preamble]]\n"
    "          [--verify]\n"
    "          Sends FILE as the console's SendOut does; done when the controller has it.\n"
    "  receive --port PORT [--setup CODE] --type TYPE [--output PATH|-] [--access-code CODE]\n"
    "          [--compare FILE [--diff]]\n"
    "          Takes a file from the controller and saves it by its type's save method.\n"
    "  watch   --port PORT [--setup CODE] [--vars LIST] [--count N] [--format text|csv|json]\n"
    "          Prints the variables of every accepted status frame, time-stamped.\n"
    "  write   --port PORT [--setup CODE] NUMBER=VALUE [NUMBER=VALUE ...]\n"
    "          Writes values and checks that the controller streams them back.\n"
    "  mdi     --port PORT [--setup CODE] \"COMMAND\"\n"
    "          Sends one MDI command as the console's MDI line does.\n"
    "  reset   --port PORT [--setup CODE]\n"
    "          Sends the reset signal as the console's Reset does.\n"
    "  ports   Lists the serial devices and the COM name that opens each.\n"
    "  pack    --type TYPE FILE [--list]\n"
    "          Writes what the console makes of FILE as a file of TYPE, byte for byte.\n"
    "  history [--since T] [--until T] [--port P] [--file F] [--outcome O] [--format text|csv|json]\n"
    "          Lists the transfer journal's records, newest first.\n"
    "\n"
    "PORT is a COM name mapped through [ComPorts] of Config/Environment.ini in the current folder, a\n"
    "device path, or simulator for the built-in virtual controller. CODE is the console's six-digit\n"
    "setup code (default 142720: 38400 baud, even parity, 7 data bits, 2 stop bits). TYPE is the list\n"
    "index or its item text, in any letter case. Progress goes to standard error while it is a\n"
    "terminal (--quiet silences it); results go to standard output. Every transfer is recorded in the\n"
    "transfer journal (--journal URL|PATH, else [Journal] Database of Config/Environment.ini, else\n"
    "journal.sqlite3 in the user's data folder).\n"
    "\n"
    "velmorix-cli COMMAND --help explains each command's options; --version says which this is.\n"
    "\n"
    "Exit status: 0 done; 1 the transfer, the controller or the link failed; 2 bad usage; 130 after\n"
    "Ctrl-C and 143 after SIGTERM, either of which first stops cleanly so the controller is never\n"
    "left waiting inside a file.\n";

using Command = int (*)(const QStringList&);

struct Entry {
    const char* name;
    Command run;
};

constexpr Entry kCommands[] = {
    {"send", velmorix::cli::runSend},       {"receive", velmorix::cli::runReceive},
    {"watch", velmorix::cli::runWatch},     {"write", velmorix::cli::runWrite},
    {"mdi", velmorix::cli::runMdi},         {"reset", velmorix::cli::runReset},
    {"ports", velmorix::cli::runPorts},     {"pack", velmorix::cli::runPack},
    {"history", velmorix::cli::runHistory},
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmorix-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORIX_VERSION));
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    using velmorix::cli::usage;
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty())
        return usage(QStringLiteral("velmorix-cli: no command given; try --help"));
    const QString command = args.takeFirst();
    if (command == QLatin1String("--help") || command == QLatin1String("-h") ||
        command == QLatin1String("help")) {
        std::fwrite(kHelp, 1, sizeof kHelp - 1, stdout);
        return velmorix::cli::kDone;
    }
    if (command == QLatin1String("--version")) {
        velmorix::cli::result(QStringLiteral("velmorix-cli %1").arg(QCoreApplication::applicationVersion()));
        return velmorix::cli::kDone;
    }
    for (const Entry& e : kCommands)
        if (command == QLatin1String(e.name))
            return e.run(args);
    return usage(QStringLiteral("velmorix-cli: unknown command %1; try --help").arg(command));
}
