#include "core/journal/journal_spool.h"

#include "core/journal/journal_store.h"
#include "core/wire/recording_port.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLockFile>

namespace velmorix {

namespace {

constexpr int kLockWaitMs = 10000;

QJsonValue optionalJson(const std::optional<qint64>& v) {
    return v ? QJsonValue(double(*v)) : QJsonValue();
}

std::optional<qint64> optionalOf(const QJsonValue& v) {
    return v.isDouble() ? std::optional<qint64>(qint64(v.toDouble())) : std::nullopt;
}

} // namespace

QJsonObject recordToJson(const JournalRecord& r) {
    return QJsonObject{
        {QStringLiteral("record_id"), r.recordId},
        {QStringLiteral("started_at"), wallClockText(r.started)},
        {QStringLiteral("ended_at"), wallClockText(r.ended)},
        {QStringLiteral("duration_ms"), double(r.durationMs)},
        {QStringLiteral("program"), r.program},
        {QStringLiteral("os_user"), r.osUser},
        {QStringLiteral("host"), r.host},
        {QStringLiteral("port"), r.port},
        {QStringLiteral("device"), r.device},
        {QStringLiteral("line_settings"), r.lineSettings},
        {QStringLiteral("controller_serial"), r.controllerSerial},
        {QStringLiteral("direction"), r.sending ? QStringLiteral("send") : QStringLiteral("receive")},
        {QStringLiteral("file_type"), r.fileType},
        {QStringLiteral("file_name"), r.fileName},
        {QStringLiteral("file_path"), r.filePath},
        {QStringLiteral("bytes"), optionalJson(r.bytes)},
        {QStringLiteral("lines"), optionalJson(r.lines)},
        {QStringLiteral("sha256"), r.sha256.isEmpty() ? QJsonValue() : QJsonValue(r.sha256)},
        {QStringLiteral("outcome"), outcomeWord(r.outcome)},
        {QStringLiteral("reason"), r.reason},
        {QStringLiteral("error_number"), r.errorNumber},
        {QStringLiteral("error_text"), r.errorText},
        {QStringLiteral("last_line"), r.lastLine},
        {QStringLiteral("resume_line"), r.resumeLine},
        {QStringLiteral("compared"), r.compared},
        {QStringLiteral("verifies"), r.verifies},
    };
}

JournalRecord recordFromJson(const QJsonObject& o) {
    JournalRecord r;
    const auto text = [&](const char* key) { return o.value(QLatin1String(key)).toString(); };
    r.recordId = text("record_id");
    r.started = QDateTime::fromString(text("started_at"), Qt::ISODateWithMs);
    r.ended = QDateTime::fromString(text("ended_at"), Qt::ISODateWithMs);
    r.durationMs = qint64(o.value(QLatin1String("duration_ms")).toDouble());
    r.program = text("program");
    r.osUser = text("os_user");
    r.host = text("host");
    r.port = text("port");
    r.device = text("device");
    r.lineSettings = text("line_settings");
    r.controllerSerial = text("controller_serial");
    r.sending = text("direction") == QLatin1String("send");
    r.fileType = text("file_type");
    r.fileName = text("file_name");
    r.filePath = text("file_path");
    r.bytes = optionalOf(o.value(QLatin1String("bytes")));
    r.lines = optionalOf(o.value(QLatin1String("lines")));
    r.sha256 = text("sha256");
    r.outcome = outcomeOfWord(text("outcome")).value_or(TransferEnd::Kind::Failed);
    r.reason = text("reason");
    r.errorNumber = o.value(QLatin1String("error_number")).toInt();
    r.errorText = text("error_text");
    r.lastLine = o.value(QLatin1String("last_line")).toInt();
    r.resumeLine = o.value(QLatin1String("resume_line")).toInt();
    r.compared = text("compared");
    r.verifies = text("verifies");
    return r;
}

QString JournalSpool::append(const QList<JournalRecord>& records) const {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return QStringLiteral("the spool %1 stays locked").arg(QDir::toNativeSeparators(m_path));
    QByteArray lines;
    for (const JournalRecord& r : records)
        lines += QJsonDocument(recordToJson(r)).toJson(QJsonDocument::Compact) + '\n';
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(lines) != lines.size() ||
        !file.flush())
        return QStringLiteral("cannot write %1: %2")
            .arg(QDir::toNativeSeparators(m_path), file.errorString());
    return {};
}

bool JournalSpool::waiting() const {
    return QFileInfo(m_path).size() > 0;
}

QString JournalSpool::replay(JournalStore& store, qsizetype* replayed) const {
    if (replayed)
        *replayed = 0;
    if (!waiting())
        return {};
    QLockFile lock(m_path + QStringLiteral(".lock"));
    if (!lock.tryLock(kLockWaitMs))
        return QStringLiteral("the spool %1 stays locked").arg(QDir::toNativeSeparators(m_path));
    QFile file(m_path);
    if (!file.open(QIODevice::ReadWrite))
        return QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(m_path), file.errorString());
    QList<JournalRecord> records;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty()) // a line cut short by a crash holds no record
            records << recordFromJson(o);
    }
    // Written by their ids, so a replay that stopped half-way and runs again keeps each record once.
    if (const QString error = store.insert(records); !error.isEmpty())
        return error;
    if (replayed)
        *replayed = records.size();
    file.resize(0);
    return {};
}

} // namespace velmorix
