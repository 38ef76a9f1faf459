#pragma once

#include "core/journal/journal_location.h"

#include <QString>
#include <optional>

namespace velmorix::cli {

// The journal a command writes to or reads: --journal when given, else [Journal] Database of
// Config/Environment.ini in the current folder, else journal.sqlite3 in the user's data folder.
// Nothing, with the reason, when the text names no journal.
std::optional<JournalLocation> journalLocation(const QString& given, QString* error);

} // namespace velmorix::cli
