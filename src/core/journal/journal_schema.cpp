#include "core/journal/journal_schema.h"

namespace velmorix {

QStringList journalMigration(int to, bool postgres) {
    switch (to) {
    case 1:
        return {
            QStringLiteral("CREATE TABLE transfers ("
                           "id %1,"
                           "record_id VARCHAR(40) NOT NULL UNIQUE,"
                           "started_ms BIGINT NOT NULL,"
                           "started_at VARCHAR(40) NOT NULL,"
                           "ended_at VARCHAR(40) NOT NULL,"
                           "duration_ms BIGINT NOT NULL,"
                           "program TEXT NOT NULL,"
                           "os_user TEXT NOT NULL,"
                           "host TEXT NOT NULL,"
                           "port TEXT NOT NULL,"
                           "device TEXT NOT NULL,"
                           "line_settings TEXT NOT NULL,"
                           "controller_serial TEXT NOT NULL,"
                           "direction VARCHAR(8) NOT NULL,"
                           "file_type TEXT NOT NULL,"
                           "file_name TEXT NOT NULL,"
                           "file_path TEXT NOT NULL,"
                           "bytes BIGINT,"
                           "lines BIGINT,"
                           "sha256 VARCHAR(64),"
                           "outcome VARCHAR(16) NOT NULL,"
                           "reason TEXT NOT NULL,"
                           "error_number INTEGER NOT NULL,"
                           "error_text TEXT NOT NULL,"
                           "last_line INTEGER NOT NULL,"
                           "resume_line INTEGER NOT NULL)")
                .arg(postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                              : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")),
            QStringLiteral("CREATE INDEX transfers_started ON transfers (started_ms)"),
        };
    case 2:
        return {
            QStringLiteral("ALTER TABLE transfers ADD COLUMN compared TEXT NOT NULL DEFAULT ''"),
            QStringLiteral("ALTER TABLE transfers ADD COLUMN verifies VARCHAR(40) NOT NULL DEFAULT ''"),
        };
    default:
        return {};
    }
}

QStringList journalColumns() {
    return {
        QStringLiteral("record_id"),    QStringLiteral("started_ms"),    QStringLiteral("started_at"),
        QStringLiteral("ended_at"),     QStringLiteral("duration_ms"),   QStringLiteral("program"),
        QStringLiteral("os_user"),      QStringLiteral("host"),          QStringLiteral("port"),
        QStringLiteral("device"),       QStringLiteral("line_settings"), QStringLiteral("controller_serial"),
        QStringLiteral("direction"),    QStringLiteral("file_type"),     QStringLiteral("file_name"),
        QStringLiteral("file_path"),    QStringLiteral("bytes"),         QStringLiteral("lines"),
        QStringLiteral("sha256"),       QStringLiteral("outcome"),       QStringLiteral("reason"),
        QStringLiteral("error_number"), QStringLiteral("error_text"),    QStringLiteral("last_line"),
        QStringLiteral("resume_line"),  QStringLiteral("compared"),      QStringLiteral("verifies")};
}

} // namespace velmorix
