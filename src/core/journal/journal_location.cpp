#include "core/journal/journal_location.h"

#include "core/base/ini_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace velmorix {

QString journalDataDir() {
    // The window's application name is Velmorix, and its AppDataLocation is this folder; velmorix-cli
    // has another name but keeps the same journal.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Velmorix"));
}

QString defaultJournalPath() {
    return QDir(journalDataDir()).filePath(QStringLiteral("journal.sqlite3"));
}

QString journalSetting(const IniFile& ini) {
    return ini.value(QStringLiteral("Journal"), QStringLiteral("Database")).value_or(QString()).trimmed();
}

QString JournalLocation::text() const {
    if (kind == Kind::SQLite)
        return QDir::toNativeSeparators(path);
    QString t = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        t += user + QLatin1Char('@');
    if (!host.startsWith(QLatin1Char('/')))
        t += host;
    if (port > 0)
        t += QLatin1Char(':') + QString::number(port);
    t += QLatin1Char('/') + database;
    if (host.startsWith(QLatin1Char('/')))
        t += QStringLiteral("?host=") + host;
    return t;
}

namespace {

std::optional<JournalLocation> parsePostgres(const QString& text, QString* error) {
    const QUrl url(text, QUrl::StrictMode);
    JournalLocation l;
    l.kind = JournalLocation::Kind::PostgreSQL;
    if (!url.isValid()) {
        *error = QStringLiteral("%1 is not a PostgreSQL URL: %2").arg(text, url.errorString());
        return std::nullopt;
    }
    l.user = url.userName();
    l.password = url.password();
    l.host = url.host();
    l.port = url.port(-1);
    l.database = url.path().mid(1);
    const QUrlQuery query(url);
    if (query.hasQueryItem(QStringLiteral("host")))
        l.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (l.database.isEmpty() || l.database.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("%1 names no database (postgresql://user@host/dbname)").arg(text);
        return std::nullopt;
    }
    return l;
}

} // namespace

std::optional<JournalLocation> JournalLocation::parse(const QString& given, QString* error) {
    const QString text = given.trimmed();
    std::optional<JournalLocation> l;
    if (text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive)) {
        l = parsePostgres(text, error);
    } else if (text.contains(QLatin1String("://"))) {
        *error = QStringLiteral("%1: a journal is an SQLite file or a postgresql:// URL").arg(text);
    } else {
        l = JournalLocation{};
        l->path =
            QDir::cleanPath(QDir::current().absoluteFilePath(text.isEmpty() ? defaultJournalPath() : text));
    }
    if (!l)
        return l;
    // One spool a journal, so records wait for the database they were meant for.
    const QByteArray key =
        QCryptographicHash::hash(l->text().toUtf8(), QCryptographicHash::Sha1).toHex().left(10);
    l->spoolPath = QDir(journalDataDir())
                       .filePath(QStringLiteral("journal-spool-%1.jsonl").arg(QString::fromLatin1(key)));
    return l;
}

} // namespace velmorix
