#include "core/base/setup_code.h"
#include "core/link/port_names.h"

#include <gtest/gtest.h>

using namespace velmorix;

TEST(SetupCode, OutOfRangePositionLeavesItsGroupAndInvalidatesTheCode) {
    CommSelection s;
    EXPECT_FALSE(applySetupCode("118811", s));
    EXPECT_EQ(s.parity, 2); // unchanged
    EXPECT_EQ(s.dataBits, 1);
    EXPECT_EQ(s.manual, 1);
    EXPECT_EQ(SetupCodeText(s), "112811");
}

TEST(SetupCode, FullCodeAppliesEveryGroupAndExtraCharactersAreIgnored) {
    CommSelection s;
    EXPECT_TRUE(applySetupCode("6348119", s));
    EXPECT_EQ(SetupCodeText(s), "634811");
    EXPECT_EQ(lineSettings(s).baudRate, 28800);
    EXPECT_TRUE(lineSettings(s).customRate);
    EXPECT_EQ(lineSettings(s).parity, Parity::Space);
    EXPECT_EQ(lineSettings(s).dataBits, 8);
    EXPECT_EQ(lineSettings(s).stopBits, 1);
    CommSelection none;
    EXPECT_FALSE(applySetupCode(QString(), none));
    EXPECT_EQ(none, CommSelection{});
}

TEST(SetupCode, DescriptionNamesPortFromComStartNum) {
    CommSelection s;
    EXPECT_EQ(portDescription(s, 1), "COM1,38400,E,7,2");
    s.port = 1;
    s.baud = 2;
    s.parity = 3;
    EXPECT_EQ(portDescription(s, 3), "COM4,28800,M,7,2");
    EXPECT_EQ(commItems(CommGroup::Com, 0), QStringList({"Com0", "Com1", "Com2", "Com3", "Com4", "Com5"}));
}

TEST(CommandLine, StartWordDefaultsToInitAndGoIsCaseInsensitive) {
    CommandLine a = parseCommandLine({});
    EXPECT_EQ(a.startWord, "Init");
    EXPECT_FALSE(a.startWordIsGo());
    CommandLine b = parseCommandLine({"--simulator", "142720", "Go"});
    EXPECT_TRUE(b.simulator);
    EXPECT_EQ(b.setupCode, "142720");
    EXPECT_TRUE(b.startWordIsGo());
    EXPECT_FALSE(parseCommandLine({"142720", "GOO"}).startWordIsGo());
}

TEST(PortNames, EntriesWinOverrideWinsOverAllAndDefaultsFollowThePlatform) {
    PortNames names({{"COM3", "/dev/ttyUSB0"}, {"COM1", "simulator"}});
    EXPECT_EQ(names.device("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(names.device("com1"), "simulator");
#ifdef Q_OS_WIN
    EXPECT_EQ(names.device("COM2"), "COM2");
#else
    EXPECT_EQ(names.device("COM2"), "/dev/ttyS1");
#endif
    names.setOverride("simulator");
    EXPECT_EQ(names.device("COM3"), "simulator");
}
