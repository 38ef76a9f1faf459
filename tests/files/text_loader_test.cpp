#include "core/files/dnc_lines.h"
#include "core/files/text_loader.h"

#include <gtest/gtest.h>

using namespace velmorix;

namespace {

using Lines = QList<QByteArray>;

TextLoad load(const QByteArray& file) {
    return loadTextFile(file, false);
}

TextLoad loadDnc(const QByteArray& file) {
    return loadTextFile(file, true);
}

QList<QByteArray> allLines(const DncLines& lines) {
    QList<QByteArray> out;
    for (qsizetype i = 0; i < lines.count(); ++i)
        out.append(lines.line(i));
    return out;
}

} // namespace

TEST(TextLoad, CommentIsCutFromImageAndNextLineBeginsWithTheBreakBytes) {
    const TextLoad t = load("G00;go\r\nG01\r\n");
    EXPECT_EQ(t.listLines, (Lines{";[00000001] G00;go", ";[00000002] \r\nG01"}));
    EXPECT_EQ(t.image, QByteArray("G00\r\nG01"));
    EXPECT_EQ(t.lineCount, 2);
    EXPECT_EQ(t.sizeLabel, "2");
    EXPECT_EQ(t.longestLine, 6);
}

TEST(TextLoad, LastLineWithoutBreakIsListedAndSentButDoesNotCountForLength) {
    const TextLoad t = load("G0\r\nG01 X100");
    EXPECT_EQ(t.listLines, (Lines{";[00000001] G0", ";[00000002] \r\nG01 X100"}));
    EXPECT_EQ(t.image, QByteArray("G0\r\nG01 X100"));
    EXPECT_EQ(t.longestLine, 2);
    // Comments go wherever they stand; a comment-only line keeps its break bytes.
    EXPECT_EQ(load("G01;a;b\r\n;only\r\nX1;z").image, QByteArray("G01\r\n\r\nX1"));
}

TEST(TextLoad, LineEndsOfEveryKind) {
    // Lone CR.
    EXPECT_EQ(load("A\rB\r").listLines, (Lines{";[00000001] A", ";[00000002] \rB"}));
    // LF only; LF right after LF ends no line, so the empty line merges into the next.
    EXPECT_EQ(load("A\n\nB\n").listLines, (Lines{";[00000001] A", ";[00000002] \n\nB"}));
    // LF then CR ends two lines.
    EXPECT_EQ(load("A\n\rB").listLines, (Lines{";[00000001] A", ";[00000002] \n", ";[00000003] \rB"}));
    // An LF as the first byte ends nothing; a CR as the first byte ends an empty first line.
    EXPECT_EQ(load("\nA\n").listLines, (Lines{";[00000001] \nA"}));
    EXPECT_EQ(load("\rA").listLines, (Lines{";[00000001] ", ";[00000002] \rA"}));
    // CR LF CR LF: two ends, the second line holds only the first break.
    const TextLoad t = load("A\r\n\r\n");
    EXPECT_EQ(t.listLines, (Lines{";[00000001] A", ";[00000002] \r\n"}));
    EXPECT_EQ(t.image, QByteArray("A\r\n"));
}

TEST(TextLoad, TabsVanishForTextTypesAndStayForDnc) {
    const QByteArray file("\tG0\t1\r\n\tX1;\tc\r\n");
    const TextLoad t = load(file);
    EXPECT_EQ(t.listLines, (Lines{";[00000001] G01", ";[00000002] \r\nX1;c"}));
    EXPECT_EQ(t.image, QByteArray("G01\r\nX1"));
    // A leading TAB is not the first byte: the LF after it ends nothing.
    EXPECT_EQ(load("\t\nA\n").listLines, (Lines{";[00000001] \nA"}));

    const TextLoad d = loadDnc(file);
    EXPECT_EQ(d.listLines, (Lines{";[00000001] \tG0\t1", ";[00000002] \r\n\tX1;\tc"}));
    EXPECT_EQ(allLines(d.dncLines), (Lines{"\tG0\t1", "\tX1;\tc"}));
}

TEST(TextLoad, ListShowsLinesEndingUpToPosition65536ThenDots) {
    // Line 1 ends at position 65536 (listed), line 2 beyond it (not listed), the unterminated
    // last line is listed anyway; lines longer than 255 characters stay whole.
    const QByteArray a(65536, 'A');
    const TextLoad t = load(a + "\rBBBBBBBBBB\rC");
    EXPECT_EQ(t.listLines, (Lines{";[00000001] " + a, ";[00000003] \rC", "......"}));
    EXPECT_EQ(t.image, a + "\rBBBBBBBBBB\rC");
    EXPECT_EQ(t.lineCount, 3);
    EXPECT_EQ(t.longestLine, 65536);

    // One byte further and the first line is not listed.
    EXPECT_EQ(load(a + "A\rC").listLines, (Lines{";[00000002] \rC", "......"}));
    // TABs do not count as positions.
    EXPECT_EQ(load("\t\t" + a + "\rC").listLines, (Lines{";[00000001] " + a, ";[00000002] \rC", "......"}));
    // Exactly 65536 bytes after TAB removal: no dots.
    EXPECT_EQ(load("\t" + a).listLines, (Lines{";[00000001] " + a}));
}

TEST(TextLoad, SlicesGiveTheSameResultAsOneWalkAndBreakEmptiesTheList) {
    QByteArray file;
    for (int i = 1; i <= 300; ++i)
        file += "N" + QByteArray::number(i) + "\tG01 X" + QByteArray::number(i) + ";c\r\n" +
                (i % 7 ? "" : "\n\n");
    file += "M30";
    const TextLoad whole = load(file);
    TextLoader sliced(file, false);
    qint64 last = 0;
    while (!sliced.done()) {
        const qint64 now = sliced.step(3);
        EXPECT_EQ(now, qMin<qint64>(last + 3, file.size()));
        last = now;
    }
    EXPECT_EQ(sliced.listLines(), whole.listLines);
    EXPECT_EQ(sliced.image(), whole.image);
    EXPECT_EQ(sliced.lineCount(), whole.lineCount);
    EXPECT_EQ(whole.listLines.back(), ";[00000301] \r\nM30");

    TextLoader broken(file, false);
    broken.step(100);
    EXPECT_FALSE(broken.listLines().isEmpty());
    broken.cancel();
    EXPECT_TRUE(broken.done());
    EXPECT_TRUE(broken.cancelled());
    EXPECT_TRUE(broken.listLines().isEmpty());
    EXPECT_EQ(broken.step(100), 100); // nothing more is walked
}

TEST(DncLoad, FileOf2500LinesLists2000AndKeepsAll) {
    QByteArray file;
    for (int i = 1; i <= 2500; ++i)
        file += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i) + ";c\r\n";
    TextLoader loader(file, true);
    while (!loader.done())
        loader.step(4096);
    ASSERT_EQ(loader.listLines().size(), 2000);
    EXPECT_EQ(loader.listLines().front(), ";[00000001] N1 G01 X1;c");
    EXPECT_EQ(loader.listLines().back(), ";[00002000] \r\nN2000 G01 X2000;c");
    EXPECT_TRUE(loader.cut());
    EXPECT_EQ(loader.sizeLabel(), "2000...");
    EXPECT_EQ(loader.listedDncLines(), 2000);
    EXPECT_EQ(loader.processed(), file.size());
    EXPECT_TRUE(loader.image().isEmpty());
    const DncLines& lines = loader.dncLines();
    ASSERT_EQ(lines.count(), 2500);
    EXPECT_EQ(lines.line(0), "N1 G01 X1;c");
    EXPECT_EQ(lines.line(2000), "N2001 G01 X2001;c");
    EXPECT_EQ(lines.line(2499), "N2500 G01 X2500;c");
    EXPECT_EQ(lines.line(2500), QByteArray());
}

TEST(DncLoad, TwoThousandLinesAreNotCutAndLargeFilesGetDots) {
    QByteArray file;
    for (int i = 0; i < 2000; ++i)
        file += "G01\n";
    const TextLoad t = loadDnc(file);
    EXPECT_EQ(t.listLines.size(), 2000);
    EXPECT_EQ(t.sizeLabel, "2000");

    // 100 lines of 1000 characters: more than 65536 bytes, all listed, then the dots.
    const QByteArray line(1000, 'X');
    QByteArray big;
    for (int i = 0; i < 100; ++i)
        big += line + "\r\n";
    const TextLoad b = loadDnc(big);
    ASSERT_EQ(b.listLines.size(), 101);
    EXPECT_EQ(b.listLines[99], ";[00000100] \r\n" + line);
    EXPECT_EQ(b.listLines[100], "......");
    EXPECT_EQ(b.dncLines.line(99), line);
}

TEST(DncLines, SplitAtCrLfOrCrLfAsATextFile) {
    EXPECT_EQ(allLines(DncLines("A\r\nB\rC\n\nD")), (Lines{"A", "B", "C", "", "D"}));
    EXPECT_EQ(allLines(DncLines("A\r\n")), (Lines{"A"}));
    EXPECT_EQ(allLines(DncLines("\r\n\n")), (Lines{"", ""}));
    EXPECT_EQ(allLines(DncLines("\n\r")), (Lines{"", ""}));
    EXPECT_TRUE(DncLines("").isEmpty());
    // Split in slices, a CR LF across the cut stays one break.
    DncLines sliced;
    sliced.startSplit("A\r\nB");
    sliced.feed(2);
    sliced.feed(3);
    sliced.finishSplit();
    EXPECT_EQ(allLines(sliced), (Lines{"A", "B"}));
}

// First, middle and last line on the wire are send_pump_test's; a run of one line that is all comment
// still goes out framed.
TEST(DncLines, ARunOfOneCommentLineIsStillFramed) {
    EXPECT_EQ(dncWireText(";all comment", true, true), QByteArray("\x12\r\x14"));
}
