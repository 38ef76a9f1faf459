#include "core/journal/history_format.h"

#include "core/journal/journal_spool.h"
#include "core/wire/recording_port.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace velmorix {

std::optional<QDateTime> parseHistoryTime(const QString& given, const QDateTime& now, bool endOfDay) {
    const QString text = given.trimmed();
    const QDate today = now.date();
    if (text.compare(QLatin1String("today"), Qt::CaseInsensitive) == 0)
        return (endOfDay ? today.addDays(1) : today).startOfDay();
    if (text.compare(QLatin1String("yesterday"), Qt::CaseInsensitive) == 0)
        return (endOfDay ? today : today.addDays(-1)).startOfDay();
    static const QRegularExpression span(QStringLiteral("^(\\d+)\\s*([smhdw])$"));
    if (const auto m = span.match(text); m.hasMatch()) {
        const qint64 n = m.captured(1).toLongLong();
        const qint64 unit = QStringLiteral("smhdw").indexOf(m.captured(2));
        constexpr qint64 kSeconds[] = {1, 60, 3600, 86400, 7 * 86400};
        return now.addSecs(-n * kSeconds[unit]);
    }
    if (const QDate date = QDate::fromString(text, Qt::ISODate); date.isValid() && text.size() == 10)
        return (endOfDay ? date.addDays(1) : date).startOfDay();
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!t.isValid())
        t = QDateTime::fromString(text, Qt::ISODate);
    if (!t.isValid())
        return std::nullopt;
    return t;
}

QString sizeText(const std::optional<qint64>& bytes) {
    if (!bytes)
        return QStringLiteral("-");
    if (*bytes < 10 * 1024)
        return QStringLiteral("%1 B").arg(*bytes);
    if (*bytes < 10 * 1024 * 1024)
        return QStringLiteral("%1 KiB").arg(double(*bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MiB").arg(double(*bytes) / (1024 * 1024), 0, 'f', 1);
}

QByteArray historyText(const QList<JournalRecord>& records) {
    QByteArray out;
    for (const JournalRecord& r : records) {
        const QString port =
            r.device.isEmpty() || r.device == r.port ? r.port : r.port + QLatin1Char('=') + r.device;
        const QString line =
            QStringLiteral("%1  %2  %3  %4  %5  %6  %7  %8")
                .arg(wallClockText(r.started), r.program.leftJustified(12),
                     (r.sending ? QStringLiteral("send") : QStringLiteral("receive")).leftJustified(7),
                     r.fileType.leftJustified(10), r.fileName.leftJustified(16),
                     sizeText(r.bytes).rightJustified(10), port, outcomeText(r));
        out += line.toUtf8() + '\n';
    }
    return out;
}

namespace {

QByteArray csvField(const QString& text) {
    QByteArray f = text.toUtf8();
    if (f.contains(',') || f.contains('"') || f.contains('\n') || f.contains('\r'))
        f = '"' + f.replace("\"", "\"\"") + '"';
    return f;
}

const char* const kCsvColumns[] = {
    "started_at", "ended_at",  "duration_ms", "program",       "os_user",
    "host",       "port",      "device",      "line_settings", "controller_serial",
    "direction",  "file_type", "file_name",   "file_path",     "bytes",
    "lines",      "sha256",    "outcome",     "outcome_text",  "error_number",
    "error_text", "reason",    "last_line",   "resume_line",   "compared",
    "verifies",   "record_id"};

} // namespace

QByteArray historyCsv(const QList<JournalRecord>& records) {
    QList<QByteArray> header;
    for (const char* c : kCsvColumns)
        header << QByteArray(c);
    QByteArray out = header.join(',') + "\r\n";
    for (const JournalRecord& r : records) {
        const QJsonObject o = recordToJson(r);
        QList<QByteArray> fields;
        for (const char* c : kCsvColumns) {
            const QString key = QLatin1String(c);
            const QJsonValue v =
                key == QLatin1String("outcome_text") ? QJsonValue(outcomeText(r)) : o.value(key);
            fields << csvField(v.isDouble() ? QString::number(qint64(v.toDouble())) : v.toString());
        }
        out += fields.join(',') + "\r\n";
    }
    return out;
}

QByteArray historyJson(const QList<JournalRecord>& records) {
    QJsonArray array;
    for (const JournalRecord& r : records) {
        QJsonObject o = recordToJson(r);
        o.insert(QStringLiteral("outcome_text"), outcomeText(r));
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace velmorix
