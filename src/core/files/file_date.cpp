#include "core/files/file_date.h"

#include <QFile>
#include <QFileInfo>

namespace velmorix {

QString formatFileDate(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MMdd  hh:mm"));
}

std::optional<QString> FileDateText(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
    if (!written.isValid())
        return std::nullopt;
    return formatFileDate(written);
}

QByteArray rawListLine(const QString& path) {
    return QFileInfo(path).absoluteFilePath().toLocal8Bit();
}

} // namespace velmorix
