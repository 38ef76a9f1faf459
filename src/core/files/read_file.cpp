#include "core/files/read_file.h"

#include <QFileInfo>

#include <algorithm>

namespace velmorix {

FileContent readWholeFile(const QString& path) {
    FileContent content;
    FileReader reader;
    if (!reader.open(path)) {
        content.error = reader.error();
        return content;
    }
    while (!reader.done()) {
        if (!reader.step(qint64(16) << 20)) {
            content.error = reader.error();
            return content;
        }
    }
    content.bytes = reader.takeBytes();
    content.ok = true;
    return content;
}

bool FileReader::open(const QString& path) {
    if (QFileInfo(path).isDir()) {
        m_error = QStringLiteral("Is a directory");
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = m_file.errorString();
        return false;
    }
    // Room for the whole file at once: the slices are read straight into their place. A device or a
    // file that does not say its size (a pipe, /proc) is read until it has no more.
    m_sized = !m_file.isSequential() && m_file.size() > 0;
    if (m_sized)
        m_bytes.reserve(m_file.size());
    return true;
}

bool FileReader::step(qint64 maxBytes) {
    if (m_done)
        return true;
    qint64 want = std::max<qint64>(maxBytes, 1);
    if (m_sized) {
        const qint64 left = m_file.size() - m_file.pos();
        if (left <= 0) {
            m_done = true;
            return true;
        }
        want = std::min(want, left);
    } else {
        want = std::min<qint64>(want, 1 << 20);
    }
    const qsizetype at = m_bytes.size();
    m_bytes.resize(at + want);
    const qint64 n = m_file.read(m_bytes.data() + at, want);
    if (n < 0) {
        m_error = m_file.errorString();
        m_bytes.clear();
        return false;
    }
    m_bytes.resize(at + n);
    if (n == 0 || (m_sized && m_file.atEnd()))
        m_done = true;
    return true;
}

} // namespace velmorix
