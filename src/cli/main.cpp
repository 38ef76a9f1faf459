// velmorix-cli: the console engine from the command line.
#include "cli/pack_command.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char kHelp[] =
    "Usage: velmorix-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  pack --type TYPE FILE [--list]\n"
    "      Writes to standard output, byte for byte, what the console would send of FILE as a\n"
    "      file of TYPE: the hexadecimal image with its LEN: and CKS: records (3:PLC to 8:PTN,\n"
    "      A:CYF, B:999), the stripped text without TABs and comments (0:CNC, 1:CNC, 2:MCM, 9:VAR),\n"
    "      the line-by-line DNC text framed by DC2 and DC4 (D:DNC) or the raw bytes (C:ARM).\n"
    "      With --list it writes instead the lines the file-service page lists, each ended by LF.\n"
    "      TYPE is the send-list index 0 to 13 or its item text (0:CNC 1:CNC 2:MCM 3:PLC 4:CRT\n"
    "      5:SYS 6:KEY 7:MOT 8:PTN 9:VAR A:CYF B:999 C:ARM D:DNC), in any letter case.\n"
    "\n"
    "  More commands will come: send, receive and monitor.\n"
    "\n"
    "Exit status: 0 done; 2 unknown command or type, bad arguments or a file that cannot be read.\n";

int usageError(const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    return 2;
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
        command == QLatin1String("help") || args.contains(QLatin1String("--help"))) {
        std::fwrite(kHelp, 1, sizeof kHelp - 1, stdout);
        return 0;
    }
    if (command != QLatin1String("pack"))
        return usageError(QStringLiteral("velmorix-cli: unknown command %1; try --help").arg(command));

    const velmorix::cli::PackOutput result = velmorix::cli::runPack(args);
    if (result.status != 0)
        return usageError(result.error);
    if (!result.out.isEmpty() && std::fwrite(result.out.constData(), 1, size_t(result.out.size()), stdout) !=
                                     size_t(result.out.size()))
        return usageError(QStringLiteral("velmorix-cli: cannot write to standard output"));
    return std::fflush(stdout) == 0 ? 0 : 1;
}
