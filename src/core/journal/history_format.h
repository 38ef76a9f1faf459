#pragma once

#include "core/journal/journal_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace velmorix {

// A moment as --since and --until take it: "2026-12-09", "2026-12-09T10:05", with or without an
// offset from UTC (local time without), "today", "yesterday", or a span back from now: "30m", "2h",
// "7d". A date alone is its day's start, or with `endOfDay` the next day's start. Nothing when the
// text is none of these.
std::optional<QDateTime> parseHistoryTime(const QString& text, const QDateTime& now, bool endOfDay);

// The journal's records as `history` prints them and the history window exports them.
QByteArray historyText(const QList<JournalRecord>& records);
QByteArray historyCsv(const QList<JournalRecord>& records);
QByteArray historyJson(const QList<JournalRecord>& records);

// "1 234 B", "12.3 KiB".
QString sizeText(const std::optional<qint64>& bytes);

} // namespace velmorix
