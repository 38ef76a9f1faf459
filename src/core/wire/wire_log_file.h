#pragma once

#include "core/wire/wire_recorder.h"
#include "platform/clock.h"

#include <QFile>
#include <memory>

namespace velmorix {

// Writes a WireRecorder to a file as it fills, in WireRecorder::format's lines: every few hundred ms
// the entries finished since the last time (and one that has been quiet since then), and the rest
// when it is destroyed. Formatting happens here, never where the bytes are recorded.
class WireLogFile {
public:
    static constexpr int kIntervalMs = 200;

    // Writes to `path` ("-" for standard output) from the next entry on; nullptr with the reason in
    // *error when the file cannot be written.
    static std::unique_ptr<WireLogFile> open(WireRecorder& recorder, Clock& clock, const QString& path,
                                             QString* error);
    ~WireLogFile();

    // Writes what is finished (all of it with `everything`) and flushes the file.
    void write(bool everything = false);
    QString path() const { return m_path; }

private:
    WireLogFile(WireRecorder& recorder, QString path);

    WireRecorder& m_recorder;
    QString m_path;
    QFile m_file;
    std::unique_ptr<Timer> m_timer;
    qint64 m_next = 0;
    quint64 m_seenChanges = 0;
};

} // namespace velmorix
