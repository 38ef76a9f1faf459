#include "cli/pack_command.h"

#include "cli/cli.h"
#include "cli/commands.h"

#include "core/files/dnc_lines.h"
#include "core/files/file_date.h"
#include "core/files/file_types.h"
#include "core/files/hex_image.h"
#include "core/files/read_file.h"
#include "core/files/text_loader.h"

#include <QCommandLineParser>

#include <cstdio>

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

PackOutput packFile(const QString& path, const SendFileType& type, bool list) {
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

int runPack(const QStringList& args) {
    QCommandLineParser p;
    const QCommandLineOption typeOption(QStringLiteral("type"), QStringLiteral("The send type (below)."),
                                        QStringLiteral("TYPE"));
    const QCommandLineOption listOption(
        QStringLiteral("list"),
        QStringLiteral("Write the lines the file-service page lists instead, each ended by LF."));
    p.addOptions({typeOption, listOption});
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to pack."));
    if (const auto status =
            parse(p, QStringLiteral("pack"),
                  QStringLiteral("Writes to standard output, byte for byte, what the console makes of "
                                 "FILE as a file of TYPE: for text and hex types the transfer image "
                                 "without the send frame around it, for D:DNC the lines as they go "
                                 "out (DC2, each line cut at \";\" with CR, DC4), for C:ARM the "
                                 "bytes themselves."),
                  args, sendTypesHelp()))
        return *status;
    if (p.positionalArguments().size() > 1)
        return usage(QStringLiteral("pack: more than one file given"));
    if (!p.isSet(typeOption))
        return usage(QStringLiteral("pack: --type TYPE is required (0-13 or an item such as 3:PLC)"));
    if (p.positionalArguments().isEmpty())
        return usage(QStringLiteral("pack: no file given"));
    const std::optional<int> index = findSendFileType(p.value(typeOption));
    if (!index)
        return usage(
            QStringLiteral("pack: unknown type %1 (0-13 or an item such as 3:PLC)").arg(p.value(typeOption)));
    const PackOutput out =
        packFile(p.positionalArguments().first(), *sendFileType(*index), p.isSet(listOption));
    if (out.status != kDone)
        return usage(out.error);
    if (!out.out.isEmpty() &&
        std::fwrite(out.out.constData(), 1, size_t(out.out.size()), stdout) != size_t(out.out.size()))
        return usage(QStringLiteral("velmorix-cli: cannot write to standard output"));
    return std::fflush(stdout) == 0 ? kDone : kFailed;
}

} // namespace velmorix::cli
