#include "core/files/read_file.h"

#include <QFile>
#include <QFileInfo>

namespace velmorix {

FileContent readWholeFile(const QString& path) {
    FileContent content;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        content.error = QStringLiteral("Is a directory");
        return content;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        content.error = file.errorString();
        return content;
    }
    content.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        content.error = file.errorString();
        content.bytes.clear();
        return content;
    }
    content.ok = true;
    return content;
}

} // namespace velmorix
