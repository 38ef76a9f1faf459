#pragma once

#include "core/journal/journal_record.h"

#include <QJsonObject>
#include <QList>
#include <QString>

namespace velmorix {

class JournalStore;

// A record as one JSON object: the spool's lines and `history --format json` alike.
QJsonObject recordToJson(const JournalRecord& record);
JournalRecord recordFromJson(const QJsonObject& object);

// The local file where records wait while the journal cannot be written, one JSON object a line.
// Several programs may append at once; a lock file beside it keeps appends and a replay apart.
class JournalSpool {
public:
    explicit JournalSpool(QString path) : m_path(std::move(path)) {}
    const QString& path() const { return m_path; }

    // The reason when they could not be kept; empty when they were.
    QString append(const QList<JournalRecord>& records) const;
    // Writes every waiting record to the store, then empties the spool; a spool the store would not
    // take stays as it was. The reason, or empty (also when nothing waited). `replayed`: how many.
    QString replay(JournalStore& store, qsizetype* replayed = nullptr) const;
    bool waiting() const;

private:
    QString m_path;
};

} // namespace velmorix
