#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace velmorix {

// An INI text kept line by line, so that writing a few keys leaves every other section, key and
// comment of the file as it was. Section and key names compare case-insensitively.
class IniFile {
public:
    static IniFile fromText(const QByteArray& text);
    QByteArray toText() const;

    std::optional<QString> value(const QString& section, const QString& key) const;
    void setValue(const QString& section, const QString& key, const QString& value);
    // Keys and values of one section, in file order.
    QList<std::pair<QString, QString>> entries(const QString& section) const;

private:
    // Index of the section header line, or -1.
    qsizetype findSection(const QString& section) const;
    // End of the section starting at header index (exclusive).
    qsizetype sectionEnd(qsizetype header) const;

    QList<QByteArray> m_lines;
    QByteArray m_eol = "\r\n";
};

// Decimal integer with optional sign and surrounding blanks; nothing for anything else or for a
// number that does not fit 32 bits.
std::optional<qint32> parseInt32(const QString& text);

} // namespace velmorix
