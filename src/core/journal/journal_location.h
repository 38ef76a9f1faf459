#pragma once

#include <QString>
#include <optional>

namespace velmorix {

class IniFile;

// Where the transfer journal is: an SQLite file (the default, in the user's data folder) or a shop's
// PostgreSQL database, and the local spool file where records wait while it cannot be written.
struct JournalLocation {
    enum class Kind { SQLite, PostgreSQL };
    Kind kind = Kind::SQLite;
    QString path; // SQLite: the database file
    // PostgreSQL: the server and database; an empty password leaves it to libpq (PGPASSFILE,
    // PGPASSWORD, ~/.pgpass). A host beginning with "/" is the folder of the server's Unix socket.
    QString host;
    int port = -1;
    QString database;
    QString user;
    QString password;
    QString spoolPath;

    // The path, or the URL without its password.
    QString text() const;

    // "postgresql://user@host:port/dbname" (also "postgres://", "?host=/socket/folder"), or a path to
    // an SQLite file; empty: the default. The spool goes in the user's data folder, one per journal.
    static std::optional<JournalLocation> parse(const QString& text, QString* error);
};

// The user's data folder of the console (~/.local/share/Velmorix on Linux, as the desktop start uses),
// and the journal in it.
QString journalDataDir();
QString defaultJournalPath();

// [Journal] Database of Config/Environment.ini; empty when it names none.
QString journalSetting(const IniFile& ini);

} // namespace velmorix
