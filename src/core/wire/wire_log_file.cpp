#include "core/wire/wire_log_file.h"

#include <cstdio>

namespace velmorix {

WireLogFile::WireLogFile(WireRecorder& recorder, QString path)
    : m_recorder(recorder), m_path(std::move(path)), m_next(recorder.end()) {}

std::unique_ptr<WireLogFile> WireLogFile::open(WireRecorder& recorder, Clock& clock, const QString& path,
                                               QString* error) {
    std::unique_ptr<WireLogFile> log(new WireLogFile(recorder, path));
    const bool ok = path == QStringLiteral("-")
                        ? log->m_file.open(stdout, QIODevice::WriteOnly)
                        : (log->m_file.setFileName(path), log->m_file.open(QIODevice::WriteOnly));
    if (!ok) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, log->m_file.errorString());
        return nullptr;
    }
    log->m_timer = clock.createTimer(kIntervalMs, [l = log.get()] { l->write(); });
    log->m_timer->setEnabled(true);
    return log;
}

WireLogFile::~WireLogFile() {
    if (m_file.isOpen())
        write(true);
}

void WireLogFile::write(bool everything) {
    // An entry still open that nothing joined since the last look is as good as finished.
    if (everything || m_recorder.changes() == m_seenChanges)
        m_recorder.seal();
    m_seenChanges = m_recorder.changes();
    if (m_next < m_recorder.begin()) {
        m_file.write(QStringLiteral("             ---  %1 entries were dropped before they were written\n")
                         .arg(m_recorder.begin() - m_next)
                         .toUtf8());
        m_next = m_recorder.begin();
    }
    const qint64 end = m_recorder.settledEnd();
    if (m_next >= end)
        return;
    QString text;
    for (; m_next < end; ++m_next)
        text += WireRecorder::format(m_recorder.at(m_next));
    m_file.write(text.toUtf8());
    m_file.flush();
}

} // namespace velmorix
