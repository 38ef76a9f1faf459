#include "core/files/resume_journal.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace velmorix {

ResumeJournal::~ResumeJournal() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool ResumeJournal::apply(const Entry& entry) {
    if (!entry.text)
        return QFile::remove(entry.path) || !QFile::exists(entry.path);
    QSaveFile out(entry.path);
    return out.open(QIODevice::WriteOnly) && out.write(*entry.text) == entry.text->size() && out.commit();
}

void ResumeJournal::post(const QString& path, std::optional<QByteArray> text) {
    {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_waiting, [&](const Entry& e) { return e.path == path; });
        m_waiting.push_back({path, std::move(text)});
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
}

bool ResumeJournal::writeNow(const QString& path, const QByteArray& text) {
    {
        std::unique_lock lock(m_mutex);
        std::erase_if(m_waiting, [&](const Entry& e) { return e.path == path; });
        m_idle.wait(lock, [this] { return !m_busy; });
    }
    return apply({path, text});
}

void ResumeJournal::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
        if (m_waiting.empty())
            return; // stopped, nothing left
        const Entry entry = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_busy = true;
        lock.unlock();
        apply(entry);
        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}

} // namespace velmorix
