#include "cli/cli_journal.h"

#include "core/base/ini_file.h"

#include <QDir>
#include <QFile>

namespace velmorix::cli {

std::optional<JournalLocation> journalLocation(const QString& given, QString* error) {
    QString text = given;
    if (text.isEmpty()) {
        QFile file(QDir::current().filePath(QStringLiteral("Config/Environment.ini")));
        if (file.open(QIODevice::ReadOnly))
            text = journalSetting(IniFile::fromText(file.readAll()));
    }
    return JournalLocation::parse(text, error);
}

} // namespace velmorix::cli
