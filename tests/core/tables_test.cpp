// Names in GBK and in UTF-8 are read from a table in tests/scenario (monitor_pages_test.cpp).
#include "core/tables/text_tables.h"
#include "support/temp_workdir.h"

#include <gtest/gtest.h>

using namespace velmorix;
using velmorix::test::TempWorkDir;

TEST(TextTables, MissingFilesAreCreatedWithTheirDefaultLinesAndRead) {
    TempWorkDir dir;
    TextTables t;
    EXPECT_TRUE(t.LoadAllTables(dir.path(), Settings{}, 0).isEmpty());
    EXPECT_EQ(dir.read("VelmCnc.ini"), "%%VelmCnc.Ini\r\n10900:VarName.Text\r\n");
    EXPECT_EQ(dir.read("VelmMcm.ini"), "%%CncName.Mcm.Text\r\n001: Mcm#1.Text\r\n");
    EXPECT_EQ(dir.read("VelmHelp.ini"), "%%VelmHelp.Ini\r\nWelcome To Uses Velmorix\r\n");
    EXPECT_EQ(dir.read("VelmErr.ini"), "%%%%VelmErr.Ini\r\n00: No Error!\r\n");
    ASSERT_EQ(t.CncNames.size(), 1000);
    EXPECT_EQ(t.CncNames[900], "VarName.Text");
    EXPECT_EQ(t.McmNames[1], " Mcm#1.Text");
    EXPECT_EQ(t.McmNames[0], "UnUse_11000");
    EXPECT_EQ(t.HelpLines, QStringList({"Welcome To Uses Velmorix"}));
    ASSERT_EQ(t.ErrorTexts.size(), 100);
    EXPECT_EQ(t.ErrorTexts[0], " No Error!");
}

TEST(TextTables, PlaceholdersCarryTheReservedRangeNames) {
    const QStringList cnc = TextTables::placeholderNames("UnName_", 10000, 1000);
    EXPECT_EQ(cnc[0], "R0");
    EXPECT_EQ(cnc[255], "R255");
    EXPECT_EQ(cnc[258], "CN2");
    EXPECT_EQ(cnc[767], "TM255");
    EXPECT_EQ(cnc[768], "UnName_10768");
    EXPECT_EQ(cnc[799], "UnName_10799");
    EXPECT_EQ(cnc[800], "IV0");
    EXPECT_EQ(cnc[835], "AV3");
    EXPECT_EQ(cnc[879], "TMV7");
    EXPECT_EQ(cnc[880], "UnName_10880");
    // Only the part of a reserved range inside the table is named.
    const QStringList mcm = TextTables::placeholderNames("UnUse_", 10500, 20);
    EXPECT_EQ(mcm[0], "CN244");
    EXPECT_EQ(mcm[12], "TM0");
    EXPECT_EQ(TextTables::placeholderNames("UnUse_", 11000, 3),
              QStringList({"UnUse_11000", "UnUse_11001", "UnUse_11002"}));
}

TEST(TextTables, KeyedLinesFollowTheirFormatAndTheLastDuplicateWins) {
    TempWorkDir dir;
    dir.write("VelmCnc.ini",
              "header 10901:ignored\r\n  10900:Spindle\r\n10901 : Feed\r\n9999:X\r\n11000:X\r\n"
              "no colon 10902\r\nx10903:letter first\r\n\t10904:tab\n10905:a:b\r10904:again\r\n"
              "99999999999:too long\r\n");
    TextTables t;
    EXPECT_TRUE(t.LoadCncNames(dir.path(), Settings{}, 0).isEmpty());
    EXPECT_EQ(t.CncNames[900], "Spindle");
    EXPECT_EQ(t.CncNames[901], " Feed");
    EXPECT_EQ(t.CncNames[902], "UnName_10902");
    EXPECT_EQ(t.CncNames[903], "UnName_10903");
    EXPECT_EQ(t.CncNames[904], "again");
    EXPECT_EQ(t.CncNames[905], "a:b");
}

TEST(TextTables, McmKeysAreIndexesAndErrorsStopAtNinetyNine) {
    TempWorkDir dir;
    dir.write("VelmMcm.ini", "h\r\n1000: Mcm\r\n999: Last\r\n");
    dir.write("VelmErr.ini", "h\r\n100: Overflow\r\n7:Tool\r\n99:Max\r\n");
    TextTables t;
    t.LoadMcmNames(dir.path(), Settings{}, 0);
    t.LoadErrorTexts(dir.path());
    EXPECT_EQ(t.McmNames.size(), 1000);
    EXPECT_EQ(t.McmNames[999], " Last");
    EXPECT_EQ(t.ErrorTexts[7], "Tool");
    EXPECT_EQ(t.ErrorTexts[99], "Max");
    // A moved MCM range shows the reserved names too.
    Settings moved;
    moved.McmData_start = 10000;
    t.LoadMcmNames(dir.path(), moved, 0);
    EXPECT_EQ(t.McmNames[0], "R0");
}

TEST(TextTables, LongNamesBreakByCharactersNeverInsideOne) {
    EXPECT_EQ(wrapName("ABCDEFGHIJKL", 9), "ABCDEFGH\rIJKL");
    EXPECT_EQ(wrapName("ABCDEFGHI", 9), "ABCDEFGHI");
    EXPECT_EQ(wrapName("ABC", 0), "ABC");
    // Twelve Chinese characters: the break still comes after eight characters.
    const QString chinese = QString::fromUtf8("主轴转速设定值最大最小限制");
    EXPECT_EQ(wrapName(chinese, 9), chinese.left(8) + "\r" + chinese.mid(8));
}

TEST(TextTables, HelpReloadReplacesAndAHeaderOnlyFileIsEmpty) {
    TempWorkDir dir;
    dir.write("VelmHelp.ini", "%%VelmHelp.Ini\r\nline one\r\nline two\r\n");
    TextTables t;
    t.LoadHelp(dir.path());
    t.LoadHelp(dir.path());
    EXPECT_EQ(t.helpText(), "line one\n\nline two\n\n");
    dir.write("VelmHelp.ini", "%%VelmHelp.Ini\r\n");
    t.LoadHelp(dir.path());
    EXPECT_TRUE(t.HelpLines.isEmpty());
    dir.write("VelmHelp.ini", "");
    t.LoadHelp(dir.path());
    EXPECT_TRUE(t.HelpLines.isEmpty());
}

TEST(TextTables, UncreatableFileKeepsPlaceholdersAndNamesTheFile) {
    TempWorkDir dir;
    dir.write("VelmCnc.ini/blocker", "a directory where the file should be");
    TextTables t;
    const QStringList problems = t.LoadAllTables(dir.path(), Settings{}, 0);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains("VelmCnc.ini"));
    EXPECT_EQ(t.CncNames[900], "UnName_10900");
    EXPECT_EQ(t.CncNames.size(), 1000);
    EXPECT_EQ(t.McmNames[1], " Mcm#1.Text");
}

TEST(TextTables, DamagedRangeSizesNeitherCrashNorExhaustMemory) {
    TempWorkDir dir;
    Settings s;
    s.CncInfo_size = -5;
    s.McmData_size = 2000000000;
    TextTables t;
    t.loadNameTables(dir.path(), s, 0);
    EXPECT_TRUE(t.CncNames.isEmpty());
    EXPECT_EQ(t.McmNames.size(), TextTables::kMaxNames);
}
