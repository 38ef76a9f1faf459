#include "cli/pack_command.h"

#include "core/files/dnc_lines.h"
#include "core/files/file_date.h"
#include "core/files/file_types.h"
#include "core/files/hex_image.h"
#include "core/files/read_file.h"
#include "core/files/text_loader.h"

namespace velmorix::cli {

namespace {

PackOutput fail(const QString& message) {
    return {2, {}, message};
}

QByteArray joinLines(const QList<QByteArray>& lines) {
    QByteArray out;
    qsizetype size = 0;
    for (const QByteArray& line : lines)
        size += line.size() + 1;
    out.reserve(size);
    for (const QByteArray& line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

// What a DNC run writes, line after line: each line cut at its ";" and ended by CR, DC2 before the
// first and DC4 after the last.
QByteArray dncRunText(const DncLines& lines) {
    QByteArray out;
    for (qsizetype i = 0; i < lines.count(); ++i)
        out += dncWireText(lines.line(i), i == 0, i == lines.count() - 1);
    return out;
}

} // namespace

PackOutput runPack(const QStringList& args) {
    QString typeText;
    QString path;
    bool list = false;
    bool haveType = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--list")) {
            list = true;
        } else if (a == QLatin1String("--type")) {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("pack: --type needs a value"));
            typeText = args[++i];
            haveType = true;
        } else if (a.startsWith(QLatin1String("--type="))) {
            typeText = a.mid(7);
            haveType = true;
        } else if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            return fail(QStringLiteral("pack: unknown option %1").arg(a));
        } else if (path.isEmpty()) {
            path = a;
        } else {
            return fail(QStringLiteral("pack: more than one file given"));
        }
    }
    if (!haveType)
        return fail(QStringLiteral("pack: --type TYPE is required (0-13 or an item such as 3:PLC)"));
    if (path.isEmpty())
        return fail(QStringLiteral("pack: no file given"));
    const std::optional<int> index = findSendFileType(typeText);
    if (!index)
        return fail(QStringLiteral("pack: unknown type %1 (0-13 or an item such as 3:PLC)").arg(typeText));
    const SendFileType& type = *sendFileType(*index);

    const FileContent content = readWholeFile(path);
    if (!content.ok)
        return fail(QStringLiteral("pack: cannot read %1: %2").arg(path, content.error));
    const QByteArray& bytes = content.bytes;

    PackOutput result;
    switch (type.loader) {
    case LoaderKind::Raw:
        result.out = list ? joinLines({rawListLine(path)}) : bytes;
        break;
    case LoaderKind::Hex: {
        HexPack pack = packHexFile(bytes);
        result.out = list ? joinLines(pack.listLines) : pack.image;
        break;
    }
    case LoaderKind::Text: {
        TextLoad load = loadTextFile(bytes, type.dnc);
        if (list)
            result.out = joinLines(load.listLines);
        else
            result.out = type.dnc ? dncRunText(load.dncLines) : load.image;
        break;
    }
    }
    return result;
}

} // namespace velmorix::cli
