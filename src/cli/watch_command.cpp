// velmorix-cli watch: the variables of every accepted status frame, time-stamped.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/poll/status_texts.h"

namespace velmorix::cli {

namespace {

enum class Format { Text, Csv, Json };

// As the console shows it: axes in thousandths, the type words as their four characters, the version
// words as four digits, anything else grouped.
QString displayText(const WatchedValue& w, qint32 value) {
    if (w.item >= kFirstAxisItem && w.item < kFirstAxisItem + 9)
        return axisText(value).trimmed();
    if (w.item == kTypeItems[0] || w.item == kTypeItems[1]) {
        QString text;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const auto c = static_cast<char>((static_cast<quint32>(value) >> shift) & 0xFF);
            text += c >= 0x20 && c < 0x7F ? QLatin1Char(c) : QLatin1Char('.');
        }
        return text;
    }
    if (w.item == kVersionItems[0] || w.item == kVersionItems[1])
        return paddedDigits(value, 4);
    return groupedValueText(value);
}

QString record(const QList<WatchedValue>& watched, const LiveValues& live, Format format) {
    const QString time = timeText(QDateTime::currentDateTime());
    QStringList fields;
    for (const WatchedValue& w : watched) {
        const qint32 value = live.PollValues[w.item];
        switch (format) {
        case Format::Csv:
            fields << QString::number(value);
            break;
        case Format::Json:
            fields << QStringLiteral("\"%1\":%2").arg(w.variable).arg(value);
            break;
        case Format::Text:
            fields << QStringLiteral("%1=%2").arg(w.variable).arg(displayText(w, value), 9);
            break;
        }
    }
    if (format == Format::Csv)
        return time + QLatin1Char(',') + fields.join(QLatin1Char(','));
    if (format == Format::Json)
        return QStringLiteral("{\"time\":\"%1\",\"values\":{%2}}").arg(time, fields.join(QLatin1Char(',')));
    return time + QStringLiteral("  ") + fields.join(QStringLiteral("  "));
}

struct WatchSwitches {
    CommonOptions common;
    QCommandLineOption vars{
        QStringLiteral("vars"),
        QStringLiteral("Variables and ranges, e.g. 12021-12029,10991 (default: the nine axes, the "
                       "type and version words and the serial number)."),
        QStringLiteral("LIST"), QStringLiteral("12021-12029,10993-10996,10991")};
    QCommandLineOption count{QStringLiteral("count"), QStringLiteral("End after N records."),
                             QStringLiteral("N")};
    QCommandLineOption format{
        QStringLiteral("format"),
        QStringLiteral("text (aligned columns as the console shows them), csv (a header with the "
                       "variable numbers, then raw values) or json (one object per line)."),
        QStringLiteral("FORMAT"), QStringLiteral("text")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Fail when the controller sends no status for S seconds (5)."),
                               QStringLiteral("S"), QStringLiteral("5")};

    void addTo(QCommandLineParser& p) const {
        common.addTo(p);
        p.addOptions({vars, count, format, timeout});
    }
};

struct WatchRequest {
    QList<qint32> variables;
    Format format = Format::Text;
    int silenceMs = 5000;
    int records = -1; // no end
};

QString check(const QCommandLineParser& p, const WatchSwitches& o, WatchRequest& r) {
    const auto list = parseVariableList(p.value(o.vars));
    if (!list)
        return QStringLiteral("watch: --vars %1 is not a list such as 12021-12029,10991")
            .arg(p.value(o.vars));
    QList<qint32> block;
    placeWatched(*list, 0, &block);
    if (block.size() > kMaxBlockCount)
        return QStringLiteral(
                   "watch: at most %1 variables besides the axes, the type and version words and the "
                   "serial number")
            .arg(kMaxBlockCount);
    r.variables = *list;
    static const QStringList kFormats{QStringLiteral("text"), QStringLiteral("csv"), QStringLiteral("json")};
    const auto formatIndex = kFormats.indexOf(p.value(o.format));
    if (formatIndex < 0)
        return QStringLiteral("watch: --format is text, csv or json");
    r.format = static_cast<Format>(formatIndex);
    bool ok = false;
    const double seconds = p.value(o.timeout).toDouble(&ok);
    if (!ok || seconds <= 0)
        return QStringLiteral("watch: --timeout %1 is not a number of seconds").arg(p.value(o.timeout));
    r.silenceMs = static_cast<int>(seconds * 1000);
    if (p.isSet(o.count) && ((r.records = p.value(o.count).toInt(&ok)) < 1 || !ok))
        return QStringLiteral("watch: --count %1 is not a number of records").arg(p.value(o.count));
    return {};
}

} // namespace

int runWatch(const QStringList& args) {
    QCommandLineParser p;
    const WatchSwitches switches;
    switches.addTo(p);
    if (const auto status =
            parse(p, QStringLiteral("watch"),
                  QStringLiteral("Prints one record per accepted status frame of the variables asked "
                                 "for, each with its time and UTC offset, until --count records or "
                                 "Ctrl-C."),
                  args))
        return *status;
    WatchRequest r;
    if (const QString why = check(p, switches, r); !why.isEmpty())
        return usage(why);

    Session s(switches.common.read(p));
    if (const int status = s.open(); status != kDone)
        return status;
    Console& c = s.console();
    const QList<WatchedValue> watched = c.watch(r.variables);
    // Records come from frames that answer this subscription.
    s.runUntil([&c] { return !c.state().block.PollBlockChanged(); }, r.silenceMs);
    if (r.format == Format::Csv) {
        QStringList header{QStringLiteral("time")};
        for (const WatchedValue& w : watched)
            header << QString::number(w.variable);
        result(header.join(QLatin1Char(',')));
    }
    for (int printed = 0; r.records < 0 || printed < r.records; ++printed) {
        if (!s.waitForStatus(r.silenceMs)) {
            if (s.stopRequested())
                return s.stopStatus();
            say(QStringLiteral("watch: no status from the controller for %1 s")
                    .arg(p.value(switches.timeout)));
            return kFailed;
        }
        result(record(watched, c.state().live, r.format));
    }
    return kDone;
}

} // namespace velmorix::cli
