// What a received file turns into: its list (built in slices), the hex save and the PLC program of
// its lines, the check records, and the file name a save proposes from the announced name.
#include "core/files/received_file.h"

#include "fuzz_input.h"

using namespace velmorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const qsizetype slice = 1 + in.byte();
    const QByteArray body = in.rest();

    ReceivedLister whole(body);
    whole.step(body.size() + 1);
    ReceivedLister sliced(body);
    while (!sliced.step(slice)) {
    }
    if (sliced.lines() != whole.lines() || sliced.longest() != whole.longest())
        abort();

    // Saving takes the lines without their prefix.
    QList<QByteArray> lines;
    for (const QByteArray& l : whole.lines())
        lines << l.mid(kReceivedPrefix);
    const QByteArray hex = hexSaveBytes(lines);
    const QByteArray saved = savedFileBytes(hex);
    if (!hex.startsWith(saved))
        abort(); // the file is the decoded bytes, at most cut short by their length record
    findCheckRecords(hex);
    findCheckRecords(body);

    const QString name = proposedSaveName(QString::fromLatin1(body));
    for (const QChar c : name)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            abort(); // only a name, never a folder
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        abort();
    return 0;
}
