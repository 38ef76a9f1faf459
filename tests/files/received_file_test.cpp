// What a received file turns into: its list lines and the bytes of its saved file.
#include "core/files/received_file.h"

#include <gtest/gtest.h>

using namespace velmorix;

namespace {

QList<QByteArray> listOf(const QByteArray& body, qsizetype slice = 3) {
    ReceivedLister lister(body);
    while (!lister.step(slice)) {
    }
    return lister.takeLines();
}

QList<QByteArray> texts(const QList<QByteArray>& lines) {
    QList<QByteArray> out;
    for (const QByteArray& l : lines)
        out << l.mid(kReceivedPrefix);
    return out;
}

// A list of lines as the controller serves a hex file: "%", the program line, four bytes a line, "%".
QList<QByteArray> served(const QByteArray& bytes) {
    QList<QByteArray> lines{"%", "O9003"};
    for (qsizetype i = 0; i < bytes.size(); i += 4) {
        QByteArray line;
        for (qsizetype k = i; k < i + 4; ++k) {
            const quint8 b = k < bytes.size() ? quint8(bytes[k]) : 0;
            line += char(0x30 + (b >> 4));
            line += char(0x30 + (b & 0xF));
        }
        lines << line;
    }
    lines << "%";
    return lines;
}

QByteArray withRecords(const QByteArray& program) {
    QByteArray image = program + QByteArray((16 - program.size() % 16) % 16, '\0');
    quint32 sum = 0;
    for (char c : program)
        sum += quint8(c);
    auto record = [](const char* tag, quint32 v) {
        QByteArray r(8, char(0xAA));
        r += tag;
        for (int s = 24; s >= 0; s -= 8)
            r += char((v >> s) & 0xFF);
        return r;
    };
    return image + record("LEN:", quint32(program.size())) + record("CKS:", sum);
}

} // namespace

TEST(ReceivedList, CrAloneSeparatesAndEmptyStretchesGiveNoLine) {
    // The four-line body, whichever way it is sliced.
    for (qsizetype slice : {1, 3, 1000}) {
        const QList<QByteArray> lines = listOf("%\rO0001\rG00 X0\r%", slice);
        EXPECT_EQ(lines, (QList<QByteArray>{";[000001]  %", ";[000002]  O0001", ";[000003]  G00 X0",
                                            ";[000004]  %"}));
    }
    // CR LF: the LF opens the next line and stays in it; CR CR gives no empty line; the last
    // unterminated line is kept.
    EXPECT_EQ(texts(listOf("\r%\r\nO1\r\r\nM30")), (QList<QByteArray>{"%", "\nO1", "\nM30"}));
    EXPECT_TRUE(listOf("").isEmpty());
    // From the millionth line on the number keeps six digits, so the prefix a save strips is still
    // exactly the prefix.
    EXPECT_EQ(receivedListLine(999999, "G1"), ";[999999]  G1");
    EXPECT_EQ(receivedListLine(1000000, "G1"), ";[000000]  G1");
    EXPECT_EQ(receivedListLine(12345678, " G2"), ";[345678]   G2");
}

TEST(HexSave, SkipsTheFirstTwoLinesAndTheLastAndDecodesDigitPairs) {
    EXPECT_EQ(hexSaveBytes({"%", "O9190", "0123:;<=", "%"}), QByteArray("\x01\x23\xAB\xCD"));
    EXPECT_EQ(hexSaveBytes({"%", "%"}), QByteArray());
}

TEST(SavedFile, EndsAtTheLengthRecordWhereThereIsOneAndKeepsWholeLinesWhereThereIsNone) {
    QByteArray program = "PLC!";
    program += QByteArray(8, char(0xAA)); // eight 0xAA in a row, ending a line as the record would
    program += "tail of the program";
    QByteArray aaEnd16 = QByteArray("0123456789abcde") + char(0xAA); // runs on into the record's 0xAA
    QByteArray aaEnd32 = QByteArray(24, 'p') + QByteArray(8, char(0xAA));
    QByteArray aaEnd64 = QByteArray(63, 'q') + char(0xAA);
    // A program that holds a length and a checksum record of its own, on a 16-byte boundary.
    QByteArray inner = withRecords("abc");
    inner += "more program after it";
    for (const QByteArray& p : {program, aaEnd16, aaEnd32, aaEnd64, QByteArray(101, char(0xAA)), inner}) {
        SCOPED_TRACE(p.size());
        const QByteArray decoded = hexSaveBytes(served(withRecords(p)));
        EXPECT_EQ(savedFileBytes(decoded), p);
        const auto records = findCheckRecords(decoded);
        ASSERT_TRUE(records);
        EXPECT_EQ(records->length, quint32(p.size()));
        EXPECT_TRUE(records->matches());
    }
    // A damaged checksum record is seen.
    QByteArray bad = withRecords(program);
    bad[bad.size() - 1] = char(bad[bad.size() - 1] + 1);
    EXPECT_FALSE(findCheckRecords(hexSaveBytes(served(bad)))->matches());
    // Without records every decoded byte is kept: whole lines of four, the last padded with zeros.
    EXPECT_EQ(savedFileBytes(hexSaveBytes(served("ABCD"))), QByteArray("ABCD"));
    EXPECT_EQ(savedFileBytes(hexSaveBytes(served("ABCDE"))), QByteArray("ABCDE\0\0\0", 8));
}

TEST(SaveName, IsTheAnnouncedNameOrTheFileNameAndNeverAFolder) {
    EXPECT_EQ(proposedSaveName("% CNC\\ WRITE(O0001) %"), "O0001");
    EXPECT_EQ(proposedSaveName("C:\\work\\A1.Cnc%"), "A1.Cnc");
    EXPECT_EQ(proposedSaveName("/home/op/parts/A1.Cnc"), "A1.Cnc");
    EXPECT_EQ(proposedSaveName("% CNC\\ WRITE(../../x) %"), "x");
    EXPECT_EQ(proposedSaveName("% CNC\\ WRITE(C:\\x) %"), "x");
    EXPECT_EQ(proposedSaveName("% CNC\\ WRITE(a/b) %"), "b");
    EXPECT_EQ(proposedSaveName("% CNC\\ WRITE(..) %"), "");
}
