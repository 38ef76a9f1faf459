#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace velmorix::cli {

// Exit statuses of every command; a stop request gives 130 (Ctrl-C) or 143 (SIGTERM).
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// One line on standard error; one line of result on standard output.
void say(const QString& line);
void result(const QString& line);
// A mistake in how the command was used: said in one line, exit status 2.
int usage(const QString& line);

// What every linking command takes.
struct LinkOptions {
    QString port; // a COM name of Config/Environment.ini, a device path, or "simulator"
    QString setup = QStringLiteral("142720");
    bool quiet = false;        // no progress line
    QString wireLog;           // the console's wire log goes here
    QString simLog;            // with the built-in controller: its wire log goes here
    QStringList simFaults;     // with the built-in controller: faults as velmorix-sim takes them
    int controllerBuffer = -1; // DNC: the controller's buffer in bytes; -1: as Config/Environment.ini says
    QString journal;           // --journal: the transfer journal; empty: as Config/Environment.ini says
};

// --journal URL|PATH, which every command that transfers or reads the journal takes.
QCommandLineOption journalOption();

struct CommonOptions {
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("The port: a COM name of [ComPorts] in Config/Environment.ini, a "
                                           "device path, a serial device server as rfc2217://HOST:PORT "
                                           "or tcp://HOST:PORT, or simulator for the built-in controller."),
                            QStringLiteral("PORT")};
    QCommandLineOption setup{QStringLiteral("setup"),
                             QStringLiteral("The console's six-digit setup code: rate, parity, data and stop "
                                            "bits (default 142720: 38400, even, 7, 2)."),
                             QStringLiteral("CODE"), QStringLiteral("142720")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("No progress line on standard error.")};
    QCommandLineOption wireLog{
        QStringLiteral("wire-log"),
        QStringLiteral("Write the wire log, every byte the console writes and reads and "
                       "every line change, to FILE as the link runs (- for standard "
                       "output)."),
        QStringLiteral("FILE")};
    QCommandLineOption simLog{
        QStringLiteral("sim-log"),
        QStringLiteral("With --port simulator: write the built-in controller's wire log, "
                       "with what became of each file, to FILE."),
        QStringLiteral("FILE")};
    QCommandLineOption simFault{
        QStringLiteral("sim-fault"),
        QStringLiteral("With --port simulator: a fault of the built-in controller, as "
                       "velmorix-sim --fault takes it (may be given again)."),
        QStringLiteral("FAULT")};
    QCommandLineOption journal = journalOption();

    void addTo(QCommandLineParser& p) const;
    LinkOptions read(const QCommandLineParser& p) const;
};

// Parses a command's arguments: on --help prints the help with `more` after it, on a mistake one
// line. Returns the exit status to leave with, or nothing to go on.
std::optional<int> parse(QCommandLineParser& p, const QString& command, const QString& description,
                         const QStringList& args, const QString& more = {});

// The send and receive types as their --help lists them.
QString sendTypesHelp();
QString receiveTypesHelp();

// "2026-12-09T10:05:00.123+01:00": a time with its offset from UTC.
QString timeText(const QDateTime& time);

} // namespace velmorix::cli
