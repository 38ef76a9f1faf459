#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace velmorix::fuzz {

// Reads a fuzz input front to back: single choice bytes, and chunks whose lengths come from the
// input itself. Past the end every read gives zero or an empty chunk.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }

    // A length byte, then that many bytes: below 0xF0 the byte is the length, from 0xF0 on it counts
    // kilobytes (1 to 16), so a chunk can outgrow what one poll tick takes.
    QByteArray chunk() {
        const uint8_t b = byte();
        const size_t want = b < 0xF0 ? b : size_t(b - 0xEF) * 1024;
        return take(want);
    }
    QByteArray rest() { return take(m_size - m_pos); }

private:
    QByteArray take(size_t want) {
        const size_t n = std::min(want, m_size - std::min(m_pos, m_size));
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// A directory for the files a target lays down, made once per run; each input overwrites them.
inline const QTemporaryDir& scratchDir() {
    static const QTemporaryDir dir;
    return dir;
}

inline QString scratchPath(const QString& relative) {
    return QDir(scratchDir().path()).filePath(relative);
}

inline void writeScratch(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        abort(); // the rig itself failed: not a finding about the input
}

} // namespace velmorix::fuzz
