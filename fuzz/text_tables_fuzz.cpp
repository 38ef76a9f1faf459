// The name, help and error tables: the input is one of the four table files, 8-bit text that is
// UTF-8 or GBK, read from the table directory with page ranges the input picks.
#include "core/tables/text_tables.h"

#include "fuzz_input.h"

using namespace velmorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const uint8_t which = in.byte();
    const int nameLabelChars = in.byte() % 40 - 4; // a few non-positive widths too
    Settings ranges;
    // Ranges near the defaults, small enough to keep a run fast, now and then a wild start.
    const uint8_t r = in.byte();
    ranges.CncInfo_start = r & 0x80 ? qint32(0x7FFFFF00) + r : 9900 + 8 * (r & 0x7F);
    ranges.CncInfo_size = 8 * in.byte();
    ranges.McmData_start = 10000 + 8 * in.byte();
    ranges.McmData_size = 8 * in.byte();

    static const char* const kFiles[] = {"VelmCnc.ini", "VelmMcm.ini", "VelmHelp.ini", "VelmErr.ini"};
    const QString dir = fuzz::scratchDir().path();
    // The other three are created afresh with their default lines, so no run depends on the last.
    for (int f = 0; f < 4; ++f)
        QFile::remove(fuzz::scratchPath(QString::fromLatin1(kFiles[f])));
    fuzz::writeScratch(fuzz::scratchPath(QString::fromLatin1(kFiles[which % 4])), in.rest());

    TextTables t;
    const QStringList problems = t.LoadAllTables(dir, ranges, nameLabelChars);
    if (!problems.isEmpty() || t.ErrorTexts.size() != 100 || t.CncNames.size() != ranges.CncInfo_size ||
        t.McmNames.size() != ranges.McmData_size)
        abort(); // every file is there and readable, and each table has its size
    t.helpText();
    return 0;
}
