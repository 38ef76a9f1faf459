#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>

namespace velmorix {

// What crossed a serial line, time-stamped: the bytes in both directions, every change of the modem
// lines, and notes of whoever keeps the record (the controller's flow control and transfers in the
// simulator, the port's opening and failure in the console). The directions are named from the
// console's side of the cable: ToController is what the console wrote, ToConsole what it read.
//
// Recording formats nothing and copies little: a small chunk of bytes (a byte of the simulator's
// line, a short read) joins the entry before it when that is of the same direction with nothing
// between them and not yet full; any other chunk becomes a new entry sharing the caller's buffer.
// The record keeps the newest `capacity()` bytes (4 MiB unless set otherwise) and drops the oldest
// first. Entries are numbered for good; readers (the window, a log file) keep the number they have
// got to and take what came after it.
class WireRecorder {
public:
    enum class Kind : quint8 { ToController, ToConsole, Line, Note };
    struct Entry {
        qint64 atUs = 0; // arrival (or write) of the first byte of the entry
        Kind kind = Kind::ToController;
        QByteArray bytes; // ToController / ToConsole
        QString line;     // "DSR on", "CTS off" (Line); any other text (Note)
    };

    static constexpr qsizetype kDefaultCapacity = 4 * 1024 * 1024;
    // Bytes join an entry of their direction until it holds this many; then the next chunk starts a
    // new entry, so a long transfer reaches a log file while it runs.
    static constexpr qsizetype kEntryBytes = 4096;
    // Chunks of this many bytes and more start an entry of their own.
    static constexpr qsizetype kJoinBelow = 256;

    explicit WireRecorder(qsizetype capacity = kDefaultCapacity) : m_capacity(capacity) {}

    // Data.
    void add(Kind kind, const QByteArray& bytes, qint64 atUs);
    void addByte(Kind kind, quint8 byte, qint64 atUs);
    // A modem line change, "CTS on" / "DSR off" and the like, or a line setting.
    void addLine(const QString& text, qint64 atUs) { addText(Kind::Line, text, atUs); }
    void addNote(const QString& text, qint64 atUs) { addText(Kind::Note, text, atUs); }

    // Bytes kept at most; 0 records nothing at all. Shrinking drops the oldest at once.
    void setCapacity(qsizetype bytes);
    qsizetype capacity() const { return m_capacity; }
    // Bytes (and characters of line and note texts) kept now.
    qsizetype size() const { return m_size; }

    // Numbers of the oldest entry kept and one past the newest. Entry `end() - 1` may still grow
    // while it is open (see settledEnd()).
    qint64 begin() const { return m_first; }
    qint64 end() const { return m_first + qint64(m_entries.size()); }
    const Entry& at(qint64 number) const { return m_entries[std::size_t(number - m_first)]; }
    // One past the newest entry that can no longer change.
    qint64 settledEnd() const { return m_open ? end() - 1 : end(); }
    // Closes the newest entry: what comes next starts a new one. Readers seal a record that has
    // been quiet since they last looked, so a last reply is shown without waiting for the next.
    void seal() { m_open = false; }
    // Counts every change; equal counts mean nothing was recorded in between.
    quint64 changes() const { return m_changes; }

    // All entries kept, oldest first; the bytes of one direction; the texts of line changes and
    // notes.
    QList<Entry> entries() const;
    QByteArray bytes(Kind kind) const;
    QStringList lineChanges() const { return texts(Kind::Line); }
    QStringList notes() const { return texts(Kind::Note); }
    void clear();

    // People's form, one block per entry: time in ms with three decimals, the direction (">>>"
    // written by the console, "<<<" read by it, "---" anything else), then 16 bytes a row as hex
    // and as text (a dot for what does not print).
    static QString format(const Entry& entry);
    // "12 3A FF": the bytes as hex pairs; and as text, a dot for what does not print.
    static QString hexBytes(const QByteArray& bytes);
    static QString printableBytes(const QByteArray& bytes);
    // All entries kept.
    QString format() const;

private:
    void addText(Kind kind, const QString& text, qint64 atUs);
    void push(Entry entry, qsizetype weight);
    void trim();
    QStringList texts(Kind kind) const;

    std::deque<Entry> m_entries;
    qint64 m_first = 0;
    qsizetype m_size = 0;
    qsizetype m_capacity;
    bool m_open = false; // the newest entry is data and may still grow
    quint64 m_changes = 0;
};

} // namespace velmorix
