#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace velmorix::cli {

struct PackOutput {
    int status = 0; // 0 done, 2 unknown type, unreadable file or bad arguments
    QByteArray out; // bytes for standard output
    QString error;  // one line for standard error when status is not 0
};

// "pack --type TYPE FILE [--list]", the arguments after the command name: what goes to standard
// output, or the mistake.
PackOutput packFile(const QStringList& args);

} // namespace velmorix::cli
