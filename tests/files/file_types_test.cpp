#include "core/base/prompts.h"
#include "core/files/file_date.h"
#include "core/files/file_types.h"
#include "core/files/read_file.h"
#include "support/temp_workdir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmorix;

// The type codes, program numbers, frames and loaders are proven end to end: every type is sent to the
// virtual controller, which checks them (tests/scenario/send_test.cpp); the receive requests of the
// program types, the MCM, the first variable block and the pattern file are checked byte for byte in
// tests/core/send_pump_test.cpp, the names on the command line in tests/cli.
TEST(SendTypes, ItemsAndFilters) {
    ASSERT_EQ(sendFileTypes().size(), 14u);
    const char* items[] = {"0:CNC", "1:CNC", "2:MCM", "3:PLC", "4:CRT", "5:SYS", "6:KEY",
                           "7:MOT", "8:PTN", "9:VAR", "A:CYF", "B:999", "C:ARM", "D:DNC"};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(sendFileType(i)->index, i);
        EXPECT_STREQ(sendFileType(i)->item, items[i]);
        EXPECT_EQ(sendFileType(i)->dnc, i == 13);
    }
    EXPECT_STREQ(sendFileType(0)->filter, "0:Cnc *.Cnc;*.Ncd|*.Cnc;*.Ncd");
    EXPECT_STREQ(sendFileType(8)->filter, "8:Ptn *.Ptn;*.Kfn|*.Ptn;*.Kfn");
    EXPECT_STREQ(sendFileType(12)->filter, "C:BIN *.Bin|*.Bin");
    EXPECT_STREQ(sendFileType(13)->filter, "D:DNC *.Cnc;*.Ncd|*.Cnc;*.Ncd");
    EXPECT_EQ(qtFileFilter(QString::fromLatin1(sendFileType(4)->filter)),
              QStringLiteral("4:Crt *.Crt;*.Tbl (*.Crt *.Tbl)"));
    EXPECT_EQ(qtFileFilter(QString::fromLatin1(sendFileType(10)->filter)),
              QStringLiteral("A:Cyf *.Cyf (*.Cyf)"));
    EXPECT_EQ(sendFileType(14), nullptr);
    EXPECT_EQ(sendFileType(-1), nullptr);
}

TEST(SendTypes, FlashCommandsAndWhoTakesPart) {
    const char* commands[] = {"",
                              "G10 P600 L01;Write to Flash;",
                              "G10 P600 L02;Write to Flash;",
                              "G10 P600 L03;Write to Flash;",
                              "",
                              "",
                              "",
                              "G10 P600 L08;Write to Flash;",
                              "",
                              "G10 P600 L06;Write to Flash;",
                              "",
                              "",
                              "",
                              ""};
    const char* takesPart = "01111111110000";
    for (int i = 0; i < 14; ++i) {
        const SendFileType& t = *sendFileType(i);
        EXPECT_STREQ(t.flashCommand ? t.flashCommand : "", commands[i]) << i;
        EXPECT_EQ(t.flashWrite, takesPart[i] == '1') << i;
    }
}

TEST(SendTypes, FoundByIndexOrItemTextInAnyCase) {
    EXPECT_EQ(findSendFileType(u"d:dnc"), 13);
    EXPECT_EQ(findSendFileType(u"0"), 0);
    EXPECT_EQ(findSendFileType(u"14"), std::nullopt);
    EXPECT_EQ(findSendFileType(u"-1"), std::nullopt);
    EXPECT_EQ(findSendFileType(u"PLC"), std::nullopt);
    EXPECT_EQ(findSendFileType(u"C:BIN"), std::nullopt);
    EXPECT_EQ(findRecvFileType(u"u:plc"), 24);
}

TEST(RecvTypes, NamesCodesResetsSaveMethodsAndFilters) {
    ASSERT_EQ(recvFileTypes().size(), 25u);
    EXPECT_STREQ(recvFileType(0)->item, "0:CNC");
    EXPECT_STREQ(recvFileType(2)->saveFilter, "2:Mcm *.Mcm;*.Ncd|*.Mcm;*.Ncd");
    // The variable blocks: item text, file name and code follow the upper end of the block.
    const char* ends[] = {"0099", "0199", "0299", "0399", "0499", "0599", "0699", "0799", "0899", "0999",
                          "1999", "2999", "3999", "4999", "5999", "6999", "7999", "8999", "9999"};
    const int codes[] = {1800, 1801, 1802, 1803, 1804, 1805, 1806, 1807, 1808, 1809,
                         1819, 1829, 1839, 1849, 1859, 1869, 1879, 1889, 1899};
    for (int i = 3; i <= 21; ++i) {
        const RecvFileType& t = *recvFileType(i);
        const QByteArray end = ends[i - 3];
        EXPECT_EQ(QByteArray(t.item).mid(1), ":Var-" + end) << i;
        EXPECT_EQ(QByteArray(t.nameSent), "VAR_" + end + (i == 5 ? ".VAR" : ".Var")) << i;
        EXPECT_EQ(t.typeCode, codes[i - 3]) << i;
        EXPECT_EQ(QByteArray(t.saveFilter), t.item[0] + QByteArray(":Var *.Var;*.Ncd|*.Var;*.Ncd")) << i;
        EXPECT_STREQ(t.extension, "Var");
        EXPECT_FALSE(t.linkResetFirst);
    }
    EXPECT_STREQ(recvFileType(4)->saveFilter, "A:Var *.Var;*.Ncd|*.Var;*.Ncd");
    EXPECT_STREQ(recvFileType(3)->item, "9:Var-0099");
    EXPECT_STREQ(recvFileType(22)->nameSent, "KNT_PAR.999");
    EXPECT_EQ(recvFileType(22)->save, SaveMethod::HexDecode);
    EXPECT_STREQ(recvFileType(23)->saveFilter, "T:Cyf *.Cyf|*.Cyf");
    const RecvFileType& plc = *recvFileType(24);
    EXPECT_EQ(plc.save, SaveMethod::PlcProgram);
    EXPECT_TRUE(plc.serviceOnly);
    EXPECT_EQ(plc.typeCode, 1017);
    EXPECT_STREQ(plc.saveFilter, "U:PLC *.Plc;*.Tsk|*.Plc;*.Tsk");
    EXPECT_EQ(recvFileType(25), nullptr);
}

TEST(FileDate, YearDashMonthDayTwoBlanksHourColonMinute) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("A1.Cnc");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.write("G00");
    ASSERT_TRUE(f.flush());
    ASSERT_TRUE(
        f.setFileTime(QDateTime(QDate(2024, 3, 9), QTime(7, 5, 59)), QFileDevice::FileModificationTime));
    f.close();
    EXPECT_EQ(FileDateText(path), QStringLiteral("2024-0309  07:05"));
    EXPECT_EQ(formatFileDate(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 1))),
              QStringLiteral("1999-1231  23:59"));
    // A file that cannot be opened gives nothing: the label keeps "File Date".
    EXPECT_EQ(FileDateText(QDir(dir.path()).filePath("missing.Cnc")), std::nullopt);
    EXPECT_EQ(FileDateText(dir.path()), std::nullopt);
}

TEST(ReadFile, WholeContentOrTheSystemsReason) {
    velmorix::test::TempWorkDir dir;
    dir.write("p.Plc", QByteArray("\x00\x01\xFF", 3));
    const QString path = dir.file("p.Plc");
    const FileContent ok = readWholeFile(path);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.bytes, QByteArray("\x00\x01\xFF", 3));
    const FileContent missing = readWholeFile(path + ".missing");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());
    const FileContent folder = readWholeFile(dir.path());
    EXPECT_FALSE(folder.ok);
    EXPECT_FALSE(folder.error.isEmpty());
}
