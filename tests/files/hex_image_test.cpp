#include "core/files/hex_image.h"

#include <gtest/gtest.h>

using namespace velmorix;

namespace {

QByteArray blanks(int n) {
    return QByteArray(n, ' ');
}

// Byte k of the file is "A" + k mod 26.
QByteArray alphabetFile(qsizetype n) {
    QByteArray f(n, '\0');
    for (qsizetype k = 0; k < n; ++k)
        f[k] = char('A' + k % 26);
    return f;
}

} // namespace

TEST(HexImage, ThirtyTwoByteFileHasTwoDataLinesNoPartialLineAndZeroShownAsDot) {
    const QByteArray file("ABCDEFGHIJKLMNO\0abcdefghijklmnop", 32);
    const HexPack pack = packHexFile(file);
    EXPECT_EQ(pack.image, QByteArray("4142\r4344\r4546\r4748\r494A\r4B4C\r4D4E\r4F00\r"
                                     "6162\r6364\r6566\r6768\r696A\r6B6C\r6D6E\r6F70\r"
                                     "AAAA\rAAAA\rAAAA\rAAAA\r4C45\r4E3A\r0000\r0020\r"
                                     "AAAA\rAAAA\rAAAA\rAAAA\r434B\r533A\r0000\r0AC0\r"));
    EXPECT_EQ(pack.image.size(), 160);
    EXPECT_EQ(pack.checksum, 0x0AC0u);
    EXPECT_EQ(pack.listLines,
              (QList<QByteArray>{
                  ";[000000] 41-42 43-44 45-46 47-48 49-4A 4B-4C 4D-4E 4F-00    ABCDEFGHIJKLMNO.",
                  ";[000016] 61-62 63-64 65-66 67-68 69-6A 6B-6C 6D-6E 6F-70    abcdefghijklmnop",
                  ";[000032] AA-AA AA-AA AA-AA AA-AA 4C-45 4E-3A 00-00 00-20   LEN: 0000-0020",
                  ";[000048] AA-AA AA-AA AA-AA AA-AA 43-4B 53-3A 00-00 0A-C0   CKS: 0000-0AC0",
              }));
}

TEST(HexImage, FileOf65537BytesLists4096LinesDotsPartialLineAndRecords) {
    const HexPack pack = packHexFile(alphabetFile(65537));
    ASSERT_EQ(pack.listLines.size(), 4096 + 4);
    EXPECT_EQ(pack.listLines[1],
              ";[000016] 51-52 53-54 55-56 57-58 59-5A 41-42 43-44 45-46    QRSTUVWXYZABCDEF");
    EXPECT_EQ(pack.listLines[4095],
              ";[065520] 41-42 43-44 45-46 47-48 49-4A 4B-4C 4D-4E 4F-50    ABCDEFGHIJKLMNOP");
    EXPECT_EQ(pack.listLines[4096], "......");
    EXPECT_EQ(pack.listLines[4097],
              ";[065536] 51-00 00-00 00-00 00-00 00-00 00-00 00-00 00-00    Q" + blanks(15));
    EXPECT_EQ(pack.listLines[4098],
              ";[065552] AA-AA AA-AA AA-AA AA-AA 4C-45 4E-3A 00-01 00-01   LEN: 0001-0001");
    EXPECT_EQ(pack.listLines[4099],
              ";[065568] AA-AA AA-AA AA-AA AA-AA 43-4B 53-3A 00-4D 80-01   CKS: 004D-8001");

    EXPECT_EQ(pack.image.size(), 40 * (4097 + 2));
    EXPECT_EQ(pack.image.mid(40 * 4096), QByteArray("5100\r0000\r0000\r0000\r0000\r0000\r0000\r0000\r"
                                                    "AAAA\rAAAA\rAAAA\rAAAA\r4C45\r4E3A\r0001\r0001\r"
                                                    "AAAA\rAAAA\rAAAA\rAAAA\r434B\r533A\r004D\r8001\r"));
}

TEST(HexImage, ListStopsAtByteIndex65536AndDotsOnlyAboveIt) {
    // Exactly 65536 bytes: every line listed, no dots, no partial line.
    const HexPack exact = packHexFile(alphabetFile(65536));
    ASSERT_EQ(exact.listLines.size(), 4096 + 2);
    EXPECT_TRUE(exact.listLines[4096].startsWith(";[065536] AA-AA"));
    // One more whole line: that line ends beyond index 65536, so it is not listed.
    const HexPack more = packHexFile(alphabetFile(65552));
    ASSERT_EQ(more.listLines.size(), 4096 + 3);
    EXPECT_EQ(more.listLines[4096], "......");
    EXPECT_TRUE(more.listLines[4097].startsWith(";[065552] AA-AA"));
    EXPECT_TRUE(more.listLines[4097].endsWith("LEN: 0001-0010"));
}

TEST(HexImage, OffsetsBeyondSixDigitsWiden) {
    const HexPack pack = packHexFile(alphabetFile(1000001));
    EXPECT_EQ(pack.listLines[pack.listLines.size() - 3].left(11), ";[1000000] ");
    EXPECT_TRUE(pack.listLines.back().startsWith(";[1000032] AA-AA"));
}

TEST(HexImage, PackingInSlicesGivesTheSameImageAndListAsAtOnce) {
    QByteArray file = alphabetFile(70001);
    file[3] = '\xFF';
    file[70000] = '\x80';
    const HexPack whole = packHexFile(file);
    HexPacker packer(file);
    EXPECT_EQ(packer.total(), 70001);
    qint64 last = 0;
    int steps = 0;
    while (!packer.done()) {
        const qint64 now = packer.step(7);
        EXPECT_GT(now, last);
        last = now;
        ++steps;
    }
    EXPECT_EQ(last, 70001);
    EXPECT_GT(steps, 4000);
    EXPECT_EQ(packer.image(), whole.image);
    EXPECT_EQ(packer.listLines(), whole.listLines);
    EXPECT_EQ(packer.checksum(), whole.checksum);
    EXPECT_EQ(whole.image.left(10), QByteArray("4142\r43FF\r"));
}

TEST(HexImage, EmptyFilePacksToNothing) {
    HexPacker packer{QByteArray()};
    EXPECT_TRUE(packer.done());
    EXPECT_TRUE(packer.image().isEmpty());
    EXPECT_TRUE(packer.listLines().isEmpty());
}
