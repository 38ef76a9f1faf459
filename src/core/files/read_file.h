#pragma once

#include <QByteArray>
#include <QString>

namespace velmorix {

// The whole content of a file, or the system's reason why it could not be read.
struct FileContent {
    bool ok = false;
    QByteArray bytes;
    QString error; // e.g. "No such file or directory"; empty when ok
};

FileContent readWholeFile(const QString& path);

} // namespace velmorix
