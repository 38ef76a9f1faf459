// The text, DNC and hex loaders on a file the operator opens: the input picks the loader, the slice
// size and whether the file repeats past 64 KiB; the rest is the file. A load in slices must give
// what the whole load gives.
#include "core/files/dnc_lines.h"
#include "core/files/hex_image.h"
#include "core/files/read_file.h"
#include "core/files/text_loader.h"

#include "fuzz_input.h"

using namespace velmorix;

namespace {

bool sameDnc(const DncLines& a, const DncLines& b) {
    if (a.count() != b.count())
        return false;
    for (qsizetype i = 0; i < a.count(); ++i)
        if (a.line(i) != b.line(i))
            return false;
    return true;
}

void loadText(const QByteArray& file, bool dnc, qint64 slice) {
    const TextLoad whole = loadTextFile(file, dnc);
    TextLoader sliced(file, dnc);
    while (!sliced.done())
        sliced.step(slice);
    if (sliced.listLines() != whole.listLines || sliced.image() != whole.image ||
        sliced.lineCount() != whole.lineCount || sliced.longestLine() != whole.longestLine ||
        sliced.sizeLabel() != whole.sizeLabel || !sameDnc(sliced.dncLines(), whole.dncLines))
        abort();
    if (dnc) {
        // The line store split in slices is the store split at once.
        DncLines parts;
        parts.startSplit(file);
        for (qsizetype end = 0; end < file.size();)
            parts.feed(end = std::min<qsizetype>(file.size(), end + slice));
        parts.finishSplit();
        if (!sameDnc(parts, DncLines(file)))
            abort();
        for (qsizetype i = 0; i < std::min<qsizetype>(parts.count(), 4); ++i)
            dncWireText(parts.line(i), i == 0, i + 1 == parts.count());
    }
}

void loadHex(const QByteArray& file, qint64 slice) {
    const HexPack whole = packHexFile(file);
    HexPacker sliced(file);
    while (!sliced.done())
        sliced.step(slice);
    const qsizetype lines = (file.size() + 15) / 16;
    if (sliced.image() != whole.image || sliced.listLines() != whole.listLines ||
        sliced.checksum() != whole.checksum || (!file.isEmpty() && whole.image.size() != 40 * (lines + 2)))
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t kind = in.byte();
    const qint64 slice = (1 + in.byte() * (kind & 0x80 ? 7 : 1)) * ((kind & 0x60) == 0x60 ? 64 : 1);
    const QString path = fuzz::scratchPath(QStringLiteral("program"));
    QByteArray content = in.rest();
    // Now and then the file repeated just past 64 KiB, where the lists are cut.
    if ((kind & 0x60) == 0x60 && !content.isEmpty())
        content = content.repeated(65536 / content.size() + 1);
    fuzz::writeScratch(path, content);
    const FileContent file = readWholeFile(path);
    if (!file.ok)
        abort();
    switch (kind % 3) {
    case 0:
        loadText(file.bytes, false, slice);
        break;
    case 1:
        loadText(file.bytes, true, slice);
        break;
    default:
        loadHex(file.bytes, slice);
        break;
    }
    return 0;
}
