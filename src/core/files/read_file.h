#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace velmorix {

// The whole content of a file, or the system's reason why it could not be read.
struct FileContent {
    bool ok = false;
    QByteArray bytes;
    QString error; // e.g. "No such file or directory"; empty when ok
};

FileContent readWholeFile(const QString& path);

// A file read a slice at a time, so that reading hundreds of megabytes never holds the event loop.
class FileReader {
public:
    // Opens the file; false with error() when it cannot be read.
    bool open(const QString& path);
    // Reads up to maxBytes more; false with error() when the system refuses (what was read is
    // dropped). done() once the whole file is read.
    bool step(qint64 maxBytes);
    bool done() const { return m_done; }
    QByteArray takeBytes() { return std::move(m_bytes); }
    // The system's reason, e.g. "No such file or directory".
    const QString& error() const { return m_error; }

private:
    QFile m_file;
    QByteArray m_bytes;
    QString m_error;
    bool m_sized = false; // the file says its size
    bool m_done = false;
};

} // namespace velmorix
