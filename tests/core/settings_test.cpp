#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "support/temp_workdir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace velmorix;
using velmorix::test::TempWorkDir;

TEST(SettingsFile, WithoutConfigDirectoryEverythingDefaultsAndNothingIsCreated) {
    TempWorkDir dir;
    SettingsFile file(dir.path());
    QString problem;
    const EnvironmentSettings s = file.read(&problem);
    EXPECT_TRUE(problem.isEmpty());
    EXPECT_EQ(s.ranges, Settings{});
    EXPECT_EQ(s.ComStartNum, 1);
    EXPECT_EQ(s.ComportText, "111111");
    EXPECT_EQ(s.ClearAllTimes, 0);
    EXPECT_FALSE(dir.exists("Config"));
}

TEST(SettingsFile, MissingFileIsCreatedEmptyWhenConfigExistsAndAnEmptyFileGivesDefaults) {
    TempWorkDir dir;
    QDir(dir.path()).mkdir("Config");
    SettingsFile(dir.path()).read();
    EXPECT_TRUE(dir.exists("Config/Environment.ini"));
    EXPECT_TRUE(dir.read("Config/Environment.ini").isEmpty());
    const EnvironmentSettings s = SettingsFile(dir.path()).read();
    EXPECT_EQ(s.ranges, Settings{});
    EXPECT_EQ(s.ComportText, "111111");
}

TEST(SettingsFile, WriteCreatesConfigWithAllElevenKeys) {
    TempWorkDir dir;
    SettingsFile file(dir.path());
    EnvironmentSettings s = file.read();
    ASSERT_TRUE(file.write(s).isEmpty());
    const IniFile ini = IniFile::fromText(dir.read("Config/Environment.ini"));
    const char* rangeKeys[] = {"User_start",    "User_size",    "Sys_start",     "Sys_size",
                               "CncInfo_start", "CncInfo_size", "McmData_start", "McmData_size"};
    const char* expected[] = {"0", "10000", "10000", "4000", "10000", "1000", "11000", "1000"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ini.value("ModifyVar", rangeKeys[i]), QString(expected[i])) << rangeKeys[i];
    EXPECT_EQ(ini.value("ComStart", "com_start_num"), QString("1"));
    EXPECT_EQ(ini.value("ComStart", "comport"), QString("111111"));
    EXPECT_EQ(ini.value("ComStart", "clear_all_times"), QString("0"));
}

TEST(SettingsFile, GarbageValuesFallBackToDefaultsAndGoodOnesAreKept) {
    TempWorkDir dir;
    dir.write("Config/Environment.ini",
              "[ModifyVar]\r\nUser_start=abc\r\nUser_size=2000\r\nSys_start=\r\n"
              "Sys_size=99999999999\r\nMcmData_start= 12000 \r\n"
              "[ComStart]\r\ncom_start_num=3x\r\nclear_all_times=-4\r\ncomport=ABCD\r\n");
    QString problem;
    const EnvironmentSettings s = SettingsFile(dir.path()).read(&problem);
    EXPECT_TRUE(problem.contains("User_start, Sys_start, Sys_size, com_start_num")) << problem.toStdString();
    EXPECT_FALSE(problem.contains("McmData_start"));
    EXPECT_EQ(s.ranges.User_start, 0);
    EXPECT_EQ(s.ranges.User_size, 2000);
    EXPECT_EQ(s.ranges.Sys_start, 10000);
    EXPECT_EQ(s.ranges.Sys_size, 4000); // too large for 32 bits
    EXPECT_EQ(s.ranges.McmData_start, 12000);
    EXPECT_EQ(s.ComStartNum, 1);
    EXPECT_EQ(s.ClearAllTimes, -4);
    EXPECT_EQ(s.ComportText, "ABCD");
}

TEST(SettingsFile, WriteKeepsOtherSectionsKeysAndComments) {
    TempWorkDir dir;
    dir.write("Config/Environment.ini",
              "; operator notes\r\n[ComPorts]\r\nCOM3=/dev/ttyUSB0\r\n"
              "[ModifyVar]\r\nUser_size=2000\r\nOwnKey=keep me\r\n[Other]\r\nx=1\r\n");
    SettingsFile file(dir.path());
    EnvironmentSettings s = file.read();
    EXPECT_EQ(s.comPorts.value("COM3"), "/dev/ttyUSB0");
    s.ranges.User_size = 3000;
    s.ClearAllTimes = 21;
    ASSERT_TRUE(file.write(s).isEmpty());
    const QByteArray text = dir.read("Config/Environment.ini");
    EXPECT_TRUE(text.startsWith("; operator notes\r\n[ComPorts]\r\nCOM3=/dev/ttyUSB0\r\n"));
    EXPECT_TRUE(text.contains("OwnKey=keep me\r\n"));
    EXPECT_TRUE(text.contains("[Other]\r\nx=1\r\n"));
    EXPECT_EQ(text.count("User_size="), 1);
    const EnvironmentSettings back = file.read();
    EXPECT_EQ(back.ranges.User_size, 3000);
    EXPECT_EQ(back.ClearAllTimes, 21);
    EXPECT_EQ(back.ranges.Sys_start, 10000);
}

TEST(SettingsFile, ConfigThatIsAFileIsReportedAtWrite) {
    TempWorkDir dir;
    dir.write("Config", "not a directory");
    const QString problem = SettingsFile(dir.path()).write(EnvironmentSettings{});
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_EQ(dir.read("Config"), "not a directory");
}

TEST(IniFile, KeysAndSectionsCompareCaseInsensitivelyAndNewKeysJoinTheirSection) {
    IniFile ini = IniFile::fromText("[modifyvar]\nuser_start=5\n\n[Tail]\nz=9\n");
    EXPECT_EQ(ini.value("ModifyVar", "User_start"), QString("5"));
    ini.setValue("ModifyVar", "User_size", "7");
    ini.setValue("New", "k", "v");
    EXPECT_EQ(ini.toText(),
              QByteArray("[modifyvar]\nuser_start=5\nUser_size=7\n\n[Tail]\nz=9\n\n[New]\nk=v\n"));
}
