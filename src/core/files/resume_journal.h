#pragma once

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace velmorix {

// The resume journals beside DNC programs ("PROGRAM.dnc-resume"), each written whole beside its place
// and synced to disk before it takes it. A busy disk can take hundreds of milliseconds to sync even a
// small file, and a run must not stand still for that while it feeds: what a run notes as it goes is
// written by a thread of the journal's own, the last text for a program winning. What a run's end
// writes is written at once, after the write under way.
class ResumeJournal {
public:
    ResumeJournal() = default;
    ~ResumeJournal(); // finishes what waits
    ResumeJournal(const ResumeJournal&) = delete;
    ResumeJournal& operator=(const ResumeJournal&) = delete;

    // Written (or, without a text, removed) by the journal's thread; what waits for the same path is
    // replaced.
    void post(const QString& path, std::optional<QByteArray> text);
    // Written now, after the write under way; what waits for the same path is dropped. Whether it was
    // written.
    bool writeNow(const QString& path, const QByteArray& text);

private:
    struct Entry {
        QString path;
        std::optional<QByteArray> text;
    };
    static bool apply(const Entry& entry);
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Entry> m_waiting;
    bool m_busy = false; // the thread writes one
    bool m_stop = false;
    std::thread m_thread; // started with the first post
};

} // namespace velmorix
