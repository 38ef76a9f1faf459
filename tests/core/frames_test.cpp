#include "core/link/digits.h"
#include "core/link/frames.h"

#include <gtest/gtest.h>

using namespace velmorix;

TEST(Frames, MonitorRequestWrapsItsDataInAProgramBlock) {
    const QByteArray data = frames::monitorData(2, FormatAddressList(12021, 2));
    EXPECT_EQ(data, QByteArray("N0\rv2\rD12021\rD12022"));
    EXPECT_EQ(
        frames::monitorRequest(data),
        QByteArray("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\rv2\rD12021\rD12022\r%\x14\x03\x03\x03\x03\x03"));
    // With no addresses the data ends after the count.
    EXPECT_EQ(frames::monitorData(0, FormatAddressList(10000, 0)), QByteArray("N0\rv0"));
}

TEST(Frames, ValueWriteCarriesDecimalNumberAndDigitEncodedValue) {
    EXPECT_EQ(frames::valueWrite(10211, 255), QByteArray("\x12%\rO9012\rN10211\rD000000??\r%\x14"));
    EXPECT_EQ(frames::valueWrite(10037, -1), QByteArray("\x12%\rO9012\rN10037\rD????????\r%\x14"));
    EXPECT_EQ(frames::valueWrite(-5, 0), QByteArray("\x12%\rO9012\rN-5\rD00000000\r%\x14"));
}

TEST(Digits, Hex8UsesColonToQuestionMarkForTenToFifteen) {
    EXPECT_EQ(FormatHex8(255), QByteArray("000000??"));
    EXPECT_EQ(FormatHex8(1006), QByteArray("000003>>"));
    EXPECT_EQ(FormatHex8(-1), QByteArray("????????"));
    EXPECT_EQ(FormatHex8(INT32_MIN), QByteArray("80000000"));
    EXPECT_EQ(FormatHex8(0x1A2B3C4D), QByteArray("1:2;3<4="));
}

TEST(Digits, AddressListStartsEachItemWithCr) {
    EXPECT_EQ(FormatAddressList(10800, 3), QByteArray("\rD10800\rD10801\rD10802"));
    EXPECT_EQ(FormatAddressList(10800, 0), QByteArray());
    EXPECT_EQ(FormatAddressList(10800, -2), QByteArray());
}

TEST(Digits, ParseReadsDigitBytesAndLettersAndIgnoresTheTopBit) {
    EXPECT_EQ(parseHexDigits("000000??", 8), 255u);
    EXPECT_EQ(parseHexDigits("????????", 8), 0xFFFFFFFFu);
    EXPECT_EQ(parseHexDigits(QByteArray("\xB1\xB2", 2), 2), 0x12u); // top bit cleared
    EXPECT_EQ(parseHexDigits("", 4), 0u);
    EXPECT_EQ(parseHexDigits("1:2;3<4=", 8), 0x1A2B3C4Du);
}
