#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

namespace velmorix {

// The last-write time of a file in whole minutes, local time, as "2024-0309  07:05": year, "-",
// month, day, two blanks, hour, ":", minute. Nothing when the file cannot be opened for reading, so
// the caller keeps its label as it was.
std::optional<QString> FileDateText(const QString& path);

// The same layout for a given time.
QString formatFileDate(const QDateTime& time);

// What the file-service page shows of a raw ("C:ARM") load: the full path as the only list line.
QByteArray rawListLine(const QString& path);

} // namespace velmorix
