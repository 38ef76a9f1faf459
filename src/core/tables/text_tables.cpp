#include "core/tables/text_tables.h"

#include "core/base/text_lines.h"

#include "core/base/plc_var_map.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace velmorix {

QString controllerErrorReport(int errorNumber, const QStringList& errorTexts) {
    const QString text =
        errorNumber >= 0 && errorNumber < errorTexts.size() ? errorTexts[errorNumber].trimmed() : QString();
    return text.isEmpty() ? QStringLiteral("the controller reported error %1").arg(errorNumber)
                          : QStringLiteral("the controller reported error %1: %2").arg(errorNumber).arg(text);
}

namespace {

struct ReservedRange {
    const char* prefix;
    qint32 first;
    qint32 count;
};

// Generic names of the controller's reserved variables (the PLC data).
using M = PlcVarMap;
constexpr ReservedRange kReserved[] = {
    {"R", M::Registers, M::kRctCount}, {"CN", M::Counters, M::kRctCount}, {"TM", M::Timers, M::kRctCount},
    {"IV", M::I, M::kBitGroupWords},   {"OV", M::O, M::kBitGroupWords},   {"CV", M::C, M::kBitGroupWords},
    {"SV", M::S, M::kBitGroupWords},   {"AV", M::A, M::kABitWords},       {"CNV", M::CN, M::kBitGroupWords},
    {"TMV", M::TM, M::kBitGroupWords},
};

struct DefaultFile {
    const char* name;
    const char* line1;
    const char* line2;
};
constexpr DefaultFile kCnc{"VelmCnc.ini", "%%VelmCnc.Ini", "10900:VarName.Text"};
constexpr DefaultFile kMcm{"VelmMcm.ini", "%%CncName.Mcm.Text", "001: Mcm#1.Text"};
constexpr DefaultFile kHelp{"VelmHelp.ini", "%%VelmHelp.Ini", "Welcome To Uses Velmorix"};
constexpr DefaultFile kErr{"VelmErr.ini", "%%%%VelmErr.Ini", "00: No Error!"};

// Reads a table file, creating it with its default lines when missing. The lines come back in
// `lines`; a problem is returned as text.
QString readTableFile(const QString& dir, const DefaultFile& def, QStringList& lines) {
    const QString path = QDir(dir).filePath(QString::fromLatin1(def.name));
    QFile file(path);
    if (!file.exists()) {
        if (!file.open(QIODevice::WriteOnly)) {
            return QStringLiteral("Cannot create %1: %2")
                .arg(QDir::toNativeSeparators(path), file.errorString());
        }
        file.write(QByteArray(def.line1) + "\r\n" + def.line2 + "\r\n");
        file.close();
    }
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    lines = splitTableLines(file.readAll());
    return {};
}

bool isBlank(QChar c) {
    return c.unicode() <= 0x20;
}

} // namespace

std::optional<KeyedLine> parseKeyedLine(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && isBlank(line[i]))
        ++i;
    const qsizetype colon = line.indexOf(QLatin1Char(':'), i);
    if (colon < 0)
        return std::nullopt;
    qsizetype digitsEnd = i;
    while (digitsEnd < line.size() && line[digitsEnd] >= QLatin1Char('0') &&
           line[digitsEnd] <= QLatin1Char('9'))
        ++digitsEnd;
    if (digitsEnd == i)
        return std::nullopt;
    bool ok = false;
    const qint32 key = line.mid(i, digitsEnd - i).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return KeyedLine{key, line.mid(colon + 1)};
}

QString decodeTableText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString asUtf8 = utf8(bytes);
    if (!utf8.hasError())
        return asUtf8;
    QStringDecoder gbk("GBK");
    if (!gbk.isValid())
        return QString::fromLatin1(bytes);
    return gbk(bytes);
}

QStringList splitTableLines(const QByteArray& bytes) {
    QStringList lines;
    for (const QByteArray& line : splitTextLines(bytes))
        lines << decodeTableText(line);
    return lines;
}

QString wrapName(const QString& name, int chars) {
    if (chars <= 0 || name.size() <= chars)
        return name;
    // Count characters, not UTF-16 units, so a character outside the basic plane is never split.
    qsizetype pos = 0;
    for (int n = 1; n < chars && pos < name.size(); ++n)
        pos += (name[pos].isHighSurrogate() && pos + 1 < name.size()) ? 2 : 1;
    QString out = name;
    out.insert(pos, QLatin1Char('\r'));
    return out;
}

QStringList TextTables::placeholderNames(const QString& prefix, qint32 start, qint32 size) {
    // A range from a damaged settings file must not take the whole memory.
    size = std::clamp<qint32>(size, 0, kMaxNames);
    QStringList names;
    names.reserve(size);
    for (qint32 i = 0; i < size; ++i)
        names << prefix + QString::number(static_cast<qint64>(start) + i);
    for (const ReservedRange& r : kReserved) {
        for (qint32 v = r.first; v < r.first + r.count; ++v) {
            const qint64 index = static_cast<qint64>(v) - start;
            if (index >= 0 && index < size)
                names[index] = QString::fromLatin1(r.prefix) + QString::number(v - r.first);
        }
    }
    return names;
}

namespace {

// Applies the keyed lines of a names file (the header skipped) to a table: the entry of key k is
// k - keyBase; keys outside the table are ignored and a later line wins.
void applyNames(const QStringList& lines, qint64 keyBase, int nameLabelChars, QStringList& table) {
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto keyed = parseKeyedLine(lines[i]);
        if (!keyed)
            continue;
        const qint64 index = static_cast<qint64>(keyed->key) - keyBase;
        if (index >= 0 && index < table.size())
            table[index] = wrapName(keyed->text, nameLabelChars);
    }
}

} // namespace

QString TextTables::LoadCncNames(const QString& dir, const Settings& ranges, int nameLabelChars) {
    CncNames = placeholderNames(QStringLiteral("UnName_"), ranges.CncInfo_start, ranges.CncInfo_size);
    CncNamesStart = ranges.CncInfo_start;
    QStringList lines;
    const QString problem = readTableFile(dir, kCnc, lines);
    applyNames(lines, ranges.CncInfo_start, nameLabelChars, CncNames); // keyed by variable number
    return problem;
}

QString TextTables::LoadMcmNames(const QString& dir, const Settings& ranges, int nameLabelChars) {
    McmNames = placeholderNames(QStringLiteral("UnUse_"), ranges.McmData_start, ranges.McmData_size);
    McmNamesStart = ranges.McmData_start;
    QStringList lines;
    const QString problem = readTableFile(dir, kMcm, lines);
    applyNames(lines, 0, nameLabelChars, McmNames); // keyed by parameter index
    return problem;
}

QString TextTables::LoadHelp(const QString& dir) {
    QStringList lines;
    const QString problem = readTableFile(dir, kHelp, lines);
    if (!lines.isEmpty())
        lines.removeFirst();
    HelpLines = lines;
    return problem;
}

QString TextTables::LoadErrorTexts(const QString& dir) {
    ErrorTexts = QStringList(100, QString());
    QStringList lines;
    const QString problem = readTableFile(dir, kErr, lines);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto keyed = parseKeyedLine(lines[i]);
        if (keyed && keyed->key < 100)
            ErrorTexts[keyed->key] = keyed->text;
    }
    return problem;
}

namespace {
QStringList nonEmpty(std::initializer_list<QString> texts) {
    QStringList out;
    for (const QString& t : texts)
        if (!t.isEmpty())
            out << t;
    return out;
}
} // namespace

QStringList TextTables::loadNameTables(const QString& dir, const Settings& ranges, int nameLabelChars) {
    const QString cnc = LoadCncNames(dir, ranges, nameLabelChars);
    return nonEmpty({cnc, LoadMcmNames(dir, ranges, nameLabelChars)});
}

QStringList TextTables::LoadAllTables(const QString& dir, const Settings& ranges, int nameLabelChars) {
    const QStringList names = loadNameTables(dir, ranges, nameLabelChars);
    const QString help = LoadHelp(dir);
    return names + nonEmpty({help, LoadErrorTexts(dir)});
}

QString TextTables::helpText() const {
    QString text;
    for (const QString& line : HelpLines)
        text += line + QStringLiteral("\n\n");
    return text;
}

} // namespace velmorix
