#pragma once

#include <QStringList>

namespace velmorix {

// The SQL that brings a journal from schema version `to` - 1 to `to`, in the dialect of SQLite or
// PostgreSQL. Versions only ever add: a program that knows an older schema can still write to a newer
// journal. 1: the transfers; 2: what a compare found, and the send a receive verified.
QStringList journalMigration(int to, bool postgres);

// The columns a record fills, in the order the insert binds them.
QStringList journalColumns();

} // namespace velmorix
