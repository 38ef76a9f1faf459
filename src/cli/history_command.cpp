// velmorix-cli history: the transfer journal's records, newest first.
#include "cli/cli.h"
#include "cli/cli_journal.h"
#include "cli/commands.h"

#include "core/journal/history_format.h"
#include "core/journal/journal_spool.h"
#include "core/journal/journal_store.h"

#include <cstdio>

namespace velmorix::cli {

namespace {

struct HistorySwitches {
    QCommandLineOption journal = journalOption();
    QCommandLineOption since{QStringLiteral("since"),
                             QStringLiteral("Transfers that started at or after T: 2026-12-09, "
                                            "2026-12-09T10:05[+01:00], today, yesterday, or back from now: "
                                            "30m, 2h, 7d."),
                             QStringLiteral("T")};
    QCommandLineOption until{QStringLiteral("until"),
                             QStringLiteral("Transfers that started before T (a date alone: up to its end)."),
                             QStringLiteral("T")};
    QCommandLineOption port{
        QStringLiteral("port"),
        QStringLiteral("Transfers on this port name or device (COM1, /dev/ttyUSB0, simulator)."),
        QStringLiteral("PORT")};
    QCommandLineOption file{QStringLiteral("file"),
                            QStringLiteral("Transfers whose file name or path contains this text."),
                            QStringLiteral("TEXT")};
    QCommandLineOption outcome{
        QStringLiteral("outcome"),
        QStringLiteral("Transfers that ended so (comma-separated): sent, received, refused, not-confirmed, "
                       "broken-off, not-whole, not-saved, failed."),
        QStringLiteral("LIST")};
    QCommandLineOption format{QStringLiteral("format"), QStringLiteral("text (default), csv or json."),
                              QStringLiteral("FORMAT"), QStringLiteral("text")};
    QCommandLineOption limit{QStringLiteral("limit"),
                             QStringLiteral("At most N records, the newest (default 100; 0: all)."),
                             QStringLiteral("N"), QStringLiteral("100")};

    void addTo(QCommandLineParser& p) const {
        p.addOptions({journal, since, until, port, file, outcome, format, limit});
    }
};

QString check(const QCommandLineParser& p, const HistorySwitches& o, HistoryFilter& f) {
    const QDateTime now = QDateTime::currentDateTime();
    if (p.isSet(o.since) && !(f.since = parseHistoryTime(p.value(o.since), now, false)))
        return QStringLiteral("history: --since %1 is not a time").arg(p.value(o.since));
    if (p.isSet(o.until) && !(f.until = parseHistoryTime(p.value(o.until), now, true)))
        return QStringLiteral("history: --until %1 is not a time").arg(p.value(o.until));
    f.port = p.value(o.port);
    f.file = p.value(o.file);
    for (const QString& word : p.value(o.outcome).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto kind = outcomeOfWord(word);
        if (!kind)
            return QStringLiteral("history: --outcome %1 is not an outcome").arg(word);
        f.outcomes << *kind;
    }
    bool ok = false;
    f.limit = p.value(o.limit).toInt(&ok);
    if (!ok || f.limit < 0)
        return QStringLiteral("history: --limit %1 is not a count").arg(p.value(o.limit));
    const QString format = p.value(o.format);
    if (format != QLatin1String("text") && format != QLatin1String("csv") && format != QLatin1String("json"))
        return QStringLiteral("history: --format %1 is not text, csv or json").arg(format);
    if (!p.positionalArguments().isEmpty())
        return QStringLiteral("history: unexpected %1").arg(p.positionalArguments().first());
    return {};
}

} // namespace

int runHistory(const QStringList& args) {
    QCommandLineParser p;
    const HistorySwitches switches;
    switches.addTo(p);
    if (const auto status = parse(p, QStringLiteral("history"),
                                  QStringLiteral("Lists the transfers of the journal, newest first: when, "
                                                 "which program, direction, type, file, size, port and how "
                                                 "each ended."),
                                  args))
        return *status;
    HistoryFilter filter;
    if (const QString why = check(p, switches, filter); !why.isEmpty())
        return usage(why);
    QString error;
    const auto location = journalLocation(p.value(switches.journal), &error);
    if (!location)
        return usage(QStringLiteral("history: --journal: %1").arg(error));

    JournalStore store(QStringLiteral("history"));
    if (error = store.open(*location); !error.isEmpty()) {
        say(QStringLiteral("history: cannot open %1: %2").arg(location->text(), error));
        return kFailed;
    }
    // What waited in the spool goes in first, so the list is whole; a journal that still cannot be
    // written is read as it is.
    if (const QString spoolError = JournalSpool(location->spoolPath).replay(store); !spoolError.isEmpty())
        say(QStringLiteral("history: records still wait in %1: %2").arg(location->spoolPath, spoolError));
    const QList<JournalRecord> records = store.query(filter, &error);
    if (!error.isEmpty()) {
        say(QStringLiteral("history: cannot read %1: %2").arg(location->text(), error));
        return kFailed;
    }
    const QString format = p.value(switches.format);
    const QByteArray out = format == QLatin1String("csv")    ? historyCsv(records)
                           : format == QLatin1String("json") ? historyJson(records)
                                                             : historyText(records);
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    return kDone;
}

} // namespace velmorix::cli
