#include "core/base/ini_file.h"

#include "core/base/text_lines.h"

namespace velmorix {

namespace {

QString sectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.size() >= 2 && t.startsWith('[') && t.endsWith(']'))
        return QString::fromUtf8(t.mid(1, t.size() - 2)).trimmed();
    return {};
}

bool isSection(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t.size() >= 2 && t.startsWith('[') && t.endsWith(']');
}

// Key and value of a "key=value" line; nothing for comments and other lines.
std::optional<std::pair<QString, QString>> keyValue(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.isEmpty() || t.startsWith(';') || t.startsWith('#'))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    return std::make_pair(QString::fromUtf8(t.left(eq)).trimmed(),
                          QString::fromUtf8(t.mid(eq + 1)).trimmed());
}

} // namespace

IniFile IniFile::fromText(const QByteArray& text) {
    IniFile ini;
    if (!text.contains("\r\n") && text.contains('\n'))
        ini.m_eol = "\n";
    ini.m_lines = splitTextLines(text);
    return ini;
}

QByteArray IniFile::toText() const {
    QByteArray out;
    for (const QByteArray& line : m_lines)
        out += line + m_eol;
    return out;
}

qsizetype IniFile::findSection(const QString& section) const {
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (isSection(m_lines[i]) && sectionName(m_lines[i]).compare(section, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const {
    qsizetype i = header + 1;
    while (i < m_lines.size() && !isSection(m_lines[i]))
        ++i;
    return i;
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const {
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto kv = keyValue(m_lines[i]);
        if (kv && kv->first.compare(key, Qt::CaseInsensitive) == 0)
            return kv->second;
    }
    return std::nullopt;
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value) {
    const QByteArray line = key.toUtf8() + '=' + value.toUtf8();
    qsizetype header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines << QByteArray();
        m_lines << '[' + section.toUtf8() + ']';
        m_lines << line;
        return;
    }
    const qsizetype end = sectionEnd(header);
    qsizetype lastEntry = header;
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto kv = keyValue(m_lines[i]);
        if (!kv)
            continue;
        lastEntry = i;
        if (kv->first.compare(key, Qt::CaseInsensitive) == 0) {
            m_lines[i] = line;
            return;
        }
    }
    m_lines.insert(lastEntry + 1, line);
}

QList<std::pair<QString, QString>> IniFile::entries(const QString& section) const {
    QList<std::pair<QString, QString>> out;
    const qsizetype header = findSection(section);
    if (header < 0)
        return out;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i)
        if (const auto kv = keyValue(m_lines[i]))
            out << *kv;
    return out;
}

std::optional<qint32> parseInt32(const QString& text) {
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace velmorix
