#include "cli/cli.h"

#include "core/files/file_types.h"
#include "core/wire/recording_port.h"

#include <QRegularExpression>

#include <cstdio>

namespace velmorix::cli {

void say(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void result(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

int usage(const QString& line) {
    say(line);
    return kUsage;
}

void CommonOptions::addTo(QCommandLineParser& p) const {
    p.addOptions({port, setup, quiet, wireLog, simLog, simFault, journal});
}

LinkOptions CommonOptions::read(const QCommandLineParser& p) const {
    LinkOptions o;
    o.port = p.value(port);
    o.setup = p.value(setup);
    o.quiet = p.isSet(quiet);
    o.wireLog = p.value(wireLog);
    o.simLog = p.value(simLog);
    o.simFaults = p.values(simFault);
    o.journal = p.value(journal);
    return o;
}

QCommandLineOption journalOption() {
    return {QStringLiteral("journal"),
            QStringLiteral("The transfer journal: an SQLite file, or postgresql://user@host/dbname (default: "
                           "[Journal] Database of Config/Environment.ini, else journal.sqlite3 in the "
                           "user's data folder)."),
            QStringLiteral("URL|PATH")};
}

std::optional<int> parse(QCommandLineParser& p, const QString& command, const QString& description,
                         const QStringList& args, const QString& more) {
    p.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    p.addOption(help);
    if (!p.parse(QStringList{QStringLiteral("velmorix-cli")} + args))
        return usage(QStringLiteral("%1: %2").arg(command, p.errorText()));
    if (!p.isSet(help))
        return std::nullopt;
    QString text = p.helpText();
    text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                 QStringLiteral("Usage: velmorix-cli ") + command);
    if (!more.isEmpty())
        text += QLatin1Char('\n') + more;
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return kDone;
}

namespace {
template <typename Row> QString typeColumns(const QString& title, std::span<const Row> rows) {
    QString text = title + QLatin1Char('\n');
    QString line;
    for (const Row& row : rows) {
        const QString cell =
            QStringLiteral("%1 %2").arg(row.index, 2).arg(QString::fromLatin1(row.item), -11);
        if (line.size() + cell.size() > 76) {
            text += QStringLiteral("  ") + line.trimmed() + QLatin1Char('\n');
            line.clear();
        }
        line += cell + QStringLiteral("  ");
    }
    return text + QStringLiteral("  ") + line.trimmed() + QLatin1Char('\n');
}
} // namespace

QString sendTypesHelp() {
    return typeColumns(QStringLiteral("Send types (the index or the item, in any letter case):"),
                       sendFileTypes());
}

QString receiveTypesHelp() {
    return typeColumns(QStringLiteral("Receive types (the index or the item, in any letter case; U:PLC needs "
                                      "--access-code):"),
                       recvFileTypes());
}

QString timeText(const QDateTime& time) {
    return wallClockText(time);
}

} // namespace velmorix::cli
