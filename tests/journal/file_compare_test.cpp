// A received file against a file on disk, by the rules its save goes by: where a compare that says
// "same" when it is not would let a wrong program run on the machine.
#include "core/files/file_compare.h"

#include <gtest/gtest.h>

using namespace velmorix;

namespace {
const QByteArray kSaved = "%\r\nO0001\r\nG90\r\nG01 X50. F300\r\nM30\r\n%\r\n";
}

TEST(FileCompare, TextIsTheSameWhateverTheLineEndsAndTrailingBlanks) {
    EXPECT_TRUE(compareText(kSaved, kSaved, "p.Cnc").same);
    // LF only, CR only, trailing blanks and tabs, empty lines, no final line end: the save writes none
    // of these differences.
    EXPECT_TRUE(compareText(kSaved, "%\nO0001\nG90  \nG01 X50. F300\t\n\nM30\n%", "p.Cnc").same);
    EXPECT_TRUE(compareText(kSaved, "%\rO0001\rG90\r\rG01 X50. F300\rM30\r%\r", "p.Cnc").same);
    // A body with CR LF line ends saves lines that begin with the LF: still the same program.
    EXPECT_TRUE(
        compareText("%\r\n\nO0001\r\n\nG90\r\n\nG01 X50. F300\r\n\nM30\r\n\n%\r\n", kSaved, "p.Cnc").same);
}

TEST(FileCompare, TextNamesTheFirstLineThatDiffersInTheFile) {
    const FileComparison first =
        compareText(kSaved, "%\r\nO0002\r\nG90\r\nG01 X50. F300\r\nM30\r\n%\r\n", "p.Cnc");
    EXPECT_FALSE(first.same);
    EXPECT_EQ(first.difference(), "line 2");

    const FileComparison atLineOne = compareText(kSaved, "O0001\r\nG90\r\n", "p.Cnc");
    EXPECT_EQ(atLineOne.difference(), "line 1");

    // The file's own numbering counts its empty lines.
    const FileComparison last = compareText(kSaved, "%\n\nO0001\nG90\nG01 X50. F300\nM30\n\n%%\n", "p.Cnc");
    EXPECT_EQ(last.difference(), "line 8");
    EXPECT_EQ(last.receivedLine, 6);
    EXPECT_EQ(last.summary(), "differs from p.Cnc: line 8");

    // Leading blanks and a blank inside a line count.
    EXPECT_FALSE(compareText(kSaved, "%\r\n O0001\r\nG90\r\nG01 X50. F300\r\nM30\r\n%\r\n", "p.Cnc").same);
    EXPECT_FALSE(compareText(kSaved, "%\r\nO0001\r\nG90\r\nG01 X50.F300\r\nM30\r\n%\r\n", "p.Cnc").same);
}

TEST(FileCompare, TextWhereOneEndsFirstSaysWhichEnded) {
    const FileComparison shortFile = compareText(kSaved, "%\r\nO0001\r\nG90\r\n", "p.Cnc");
    EXPECT_FALSE(shortFile.same);
    EXPECT_EQ(shortFile.difference(), "EOF on p.Cnc after line 3");
    const FileComparison shortReceived = compareText("%\r\nO0001\r\n", kSaved, "p.Cnc");
    EXPECT_EQ(shortReceived.difference(), "EOF on the received file after line 2");
    EXPECT_FALSE(compareText("", "%\r\n", "p.Cnc").same);
}

TEST(FileCompare, BytesNameTheFirstByteThatDiffersCountedFromOne) {
    QByteArray file(40, '\0');
    for (int i = 0; i < file.size(); ++i)
        file[i] = char(i * 7);
    EXPECT_TRUE(compareBytes(file, file, "p.999").same);
    QByteArray received = file;
    received[17] = char(received[17] ^ 0x01);
    const FileComparison c = compareBytes(received, file, "p.999");
    EXPECT_FALSE(c.same);
    EXPECT_EQ(c.offset, 17);
    EXPECT_EQ(c.difference(), "byte 18");
    // A CR LF in a binary file is a byte like any other.
    EXPECT_FALSE(compareBytes("AB\r\n", "AB\n", "p.999").same);
}

TEST(FileCompare, BytesAllowOnlyThePaddingTheSaveWrites) {
    const QByteArray file = "\x01\x02\x03\x04\x05";
    // A file of 5 bytes comes back as two lines of four: three zero bytes past its end are the save's.
    EXPECT_TRUE(compareBytes(QByteArray("\x01\x02\x03\x04\x05\0\0\0", 8), file, "p.999").same);
    // Not more than up to the next four, and not anything but zero bytes.
    EXPECT_FALSE(compareBytes(QByteArray("\x01\x02\x03\x04\x05\0\0\0\0\0\0\0", 12), file, "p.999").same);
    EXPECT_FALSE(compareBytes(QByteArray("\x01\x02\x03\x04\x05\0\x01\0", 8), file, "p.999").same);
    const FileComparison shorter = compareBytes("\x01\x02", file, "p.999");
    EXPECT_EQ(shorter.difference(), "EOF on the received file after byte 2");
}

TEST(FileCompare, SideBySideAndUnifiedDiffPairTheChangedLines) {
    const QByteArray left = "A\nB\nC\nD\nE\nF\nG\nH\nI\nJ\nK\nL\nM\nN\n";
    const QByteArray right = "A\nB\nC\nd\nE\nF\nG\nH\nI\nJ\nK\nL\nM\nN\nO\n";
    const QList<DiffRow> rows = sideBySide(left, right);
    ASSERT_EQ(rows.size(), 15);
    EXPECT_EQ(rows[3].kind, DiffRow::Kind::Changed);
    EXPECT_EQ(rows[3].left, "D");
    EXPECT_EQ(rows[3].right, "d");
    EXPECT_EQ(rows[14].kind, DiffRow::Kind::RightOnly);
    EXPECT_EQ(rows[14].rightNumber, 15);
    for (int i : {0, 1, 2, 4, 13})
        EXPECT_EQ(rows[i].kind, DiffRow::Kind::Same) << i;

    // Two changes ten lines apart make two hunks; six apart, one.
    EXPECT_EQ(unifiedDiff(left, right, "received", "p.Cnc"),
              "--- received\n+++ p.Cnc\n"
              "@@ -1,7 +1,7 @@\n A\n B\n C\n-D\n+d\n E\n F\n G\n"
              "@@ -12,3 +12,4 @@\n L\n M\n N\n+O\n");
    EXPECT_EQ(unifiedDiff("A\nB\nC\nD\nE\nF\nG\nH\n", "a\nB\nC\nD\nE\nF\nG\nh\n", "a", "b"),
              "--- a\n+++ b\n@@ -1,8 +1,8 @@\n-A\n+a\n B\n C\n D\n E\n F\n G\n-H\n+h\n");
    EXPECT_TRUE(unifiedDiff(left, left, "a", "b").isEmpty());
    EXPECT_EQ(unifiedDiff("", "X\n", "a", "b"), "--- a\n+++ b\n@@ -0,0 +1 @@\n+X\n");
}
