#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/files/file_types.h"

namespace velmorix::cli {

struct PackOutput {
    int status = 0; // 0 done, 2 unknown type, unreadable file or bad arguments
    QByteArray out; // bytes for standard output
    QString error;  // one line for standard error when status is not 0
};

// What the console makes of the file at `path` as a file of `type` (its list lines with `list`): what
// goes to standard output, or the mistake.
PackOutput packFile(const QString& path, const SendFileType& type, bool list);

} // namespace velmorix::cli
