#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

namespace velmorix::sim {

// Everything that crossed the line, time-stamped on the line's clock: the bytes in both directions
// as they arrived at the other end, every change of the modem lines the controller drives, and what
// the controller made of the bytes where a reader of the log needs to know it (flow control, overruns,
// transfers).
class WireLog {
public:
    enum class Kind { ToController, ToConsole, Line, Note };
    struct Entry {
        qint64 atUs = 0; // arrival of the first byte of the entry
        Kind kind = Kind::ToController;
        QByteArray bytes; // bytes of this entry (ToController / ToConsole)
        QString line;     // "DSR on", "CTS off", "line 38400,8,N,1" (Line); "XOFF: ..." (Note)
    };

    // Appends a byte; joins the previous entry when it is of the same direction and nothing came
    // between them.
    void addByte(Kind kind, quint8 byte, qint64 atUs);
    void addLine(const QString& text, qint64 atUs) { addText(Kind::Line, text, atUs); }
    void addNote(const QString& text, qint64 atUs) { addText(Kind::Note, text, atUs); }

    const QList<Entry>& entries() const { return m_entries; }
    // All bytes of one direction, in order.
    QByteArray bytes(Kind kind) const;
    QStringList lineChanges() const { return texts(Kind::Line); }
    QStringList notes() const { return texts(Kind::Note); }
    void clear();

    // When off, entries go to the sink only (a long standalone run would otherwise grow without end).
    void setRetain(bool retain) { m_retain = retain; }
    // Called with every finished entry (an entry is finished when the next one starts or on flush()).
    void setSink(std::function<void(const Entry&)> sink) { m_sink = std::move(sink); }
    void flush();

    // People's form: one block per entry, time in ms, direction, hex and printable columns.
    static QString format(const Entry& entry);
    QString format() const;

private:
    void addText(Kind kind, const QString& text, qint64 atUs);
    QStringList texts(Kind kind) const;
    void finishCurrent();

    QList<Entry> m_entries;
    Entry m_current;
    bool m_hasCurrent = false;
    bool m_retain = true;
    std::function<void(const Entry&)> m_sink;
};

} // namespace velmorix::sim
