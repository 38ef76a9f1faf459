#pragma once

#include "core/base/settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace velmorix {

// A line of a table file: leading blanks, a decimal key, anything, a colon, the entry text.
struct KeyedLine {
    qint32 key = 0;
    QString text; // everything after the first colon, unchanged
};
// Nothing for a line without a colon, without leading digits, or with a key too long for 32 bits.
std::optional<KeyedLine> parseKeyedLine(const QString& line);

// "the controller reported error N: <its text>" (without the text when the table has none), as a
// transfer's or a command's verdict says it.
QString controllerErrorReport(int errorNumber, const QStringList& errorTexts);

// Table text is 8-bit: UTF-8 when the bytes are valid UTF-8, otherwise GBK (Chinese Windows).
QString decodeTableText(const QByteArray& bytes);

// Lines of a text ended by CR LF, LF or CR, each decoded on its own.
QStringList splitTableLines(const QByteArray& bytes);

// Inserts a CR before character number `chars` (from 1) of a name longer than `chars` characters,
// so the first chars - 1 stay on the first line of a name field.
QString wrapName(const QString& name, int chars);

// The names of controller variables, the help text and the error texts, read from the table
// directory. A missing file is created with its two default lines.
class TextTables {
public:
    QStringList CncNames;
    QStringList McmNames;
    QStringList HelpLines;
    QStringList ErrorTexts;
    // The first variable each name table was loaded for: entry i names variable start + i until the
    // next load, whatever the ranges are changed to meanwhile.
    qint32 CncNamesStart = 10000;
    qint32 McmNamesStart = 11000;

    // Each returns an empty text, or which file could not be created or read.
    QString LoadCncNames(const QString& dir, const Settings& ranges, int nameLabelChars);
    QString LoadMcmNames(const QString& dir, const Settings& ranges, int nameLabelChars);
    QString LoadHelp(const QString& dir);
    QString LoadErrorTexts(const QString& dir);
    // The CNC and MCM names; the problems found, one per file.
    QStringList loadNameTables(const QString& dir, const Settings& ranges, int nameLabelChars);
    // All four in order; the problems found, one per file.
    QStringList LoadAllTables(const QString& dir, const Settings& ranges, int nameLabelChars);

    // The help text as the help page shows it: every line followed by an empty line.
    QString helpText() const;

    static constexpr qint32 kMaxNames = 1000000;

    // Placeholders with the reserved-range names, before a names file is applied.
    static QStringList placeholderNames(const QString& prefix, qint32 start, qint32 size);
};

} // namespace velmorix
