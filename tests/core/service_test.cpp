// The status bar's service functions: where a press lands, the login, the range and port-number
// checks, and the writes that set the controller's clock.
#include "core/service/service_functions.h"

#include <gtest/gtest.h>

using namespace velmorix;

TEST(ServiceHitTest, PanelsOpenTheirFunctionsAndBordersNothing) {
    StatusBarPress p;
    p.widths = {84, 200, 200, 150};
    p.barWidth = 700;
    p.lineReady = true;
    p.commPage = true;
    p.x = 40;
    EXPECT_EQ(hitTest(p), ServiceFunction::Login);
    p.x = 84; // the 0|1 border
    EXPECT_EQ(hitTest(p), ServiceFunction::None);
    p.x = 200;
    EXPECT_EQ(hitTest(p), ServiceFunction::None); // panel 1 has no function
    p.x = 400;
    EXPECT_EQ(hitTest(p), ServiceFunction::ComStart);
    p.x = 600;
    EXPECT_EQ(hitTest(p), ServiceFunction::TskId);
    p.x = 680;
    EXPECT_EQ(hitTest(p), ServiceFunction::Clock);
    p.commPage = false;
    p.x = 40;
    EXPECT_EQ(hitTest(p), ServiceFunction::ClickCounter);
    p.x = 680;
    p.transferIdle = false; // never during a transfer
    EXPECT_EQ(hitTest(p), ServiceFunction::None);
    p.transferIdle = true;
    p.lineReady = false; // nor without CTS and DSR
    EXPECT_EQ(hitTest(p), ServiceFunction::None);
}

TEST(ServiceLogin, UserNameInAnyCasePasswordExactly) {
    EXPECT_TRUE(loginAccepted("qwzp", "47150392"));
    EXPECT_FALSE(loginAccepted("QWZP", "47150392 "));
    EXPECT_FALSE(loginAccepted("QWZP ", "47150392"));
}

TEST(ServiceRanges, StartsMayBeEmptySizesMayNotAndEverythingCountsInThousands) {
    RangeFields f = rangeFields(Settings{});
    f[0] = "";
    auto ranges = checkRanges(f);
    ASSERT_TRUE(ranges);
    EXPECT_EQ(f[0], "0");
    EXPECT_EQ(ranges->User_start, 0);
    EXPECT_EQ(ranges->McmData_size, 1000);

    f[1] = "1500";
    EXPECT_FALSE(checkRanges(f));
    f[1] = "";
    EXPECT_FALSE(checkRanges(f));
    EXPECT_EQ(f[1], "0");
    f[1] = "2000";
    f[6] = "123456789012"; // too long for 32 bits
    EXPECT_FALSE(checkRanges(f));
    f[6] = "20000";
    // A start whose range would end past the last 32-bit number.
    f[0] = "2147483000";
    f[1] = "1000";
    EXPECT_FALSE(checkRanges(f));
    f[0] = "2147482000";
    ASSERT_TRUE(checkRanges(f));
    f[0] = "0";
    f[1] = "2000";
    ranges = checkRanges(f);
    ASSERT_TRUE(ranges);
    EXPECT_EQ(ranges->User_size, 2000);
    EXPECT_EQ(ranges->McmData_start, 20000);
    EXPECT_FALSE(rangeKeyAccepted('x'));
    EXPECT_TRUE(rangeKeyAccepted('7'));
}

TEST(ServicePortNumber, EmptyIsZeroAndNineDigitsAtMost) {
    EXPECT_EQ(comStartValue(""), 0);
    EXPECT_EQ(comStartValue("12"), 12);
    EXPECT_TRUE(comStartKeyAccepted('9', "12345678"));
    EXPECT_FALSE(comStartKeyAccepted('9', "123456789"));
    EXPECT_TRUE(comStartKeyAccepted('\b', "123456789"));
    EXPECT_FALSE(comStartKeyAccepted('-', ""));
}

TEST(ServiceClock, WritesTheDateTheWeekdayAndTheHalfDayInTheirOrder) {
    EXPECT_EQ(weekdayOf(2024, 1, 1), 1); // a Monday
    EXPECT_EQ(weekdayOf(2026, 12, 9), 3);
    const auto noon = clockWrites(QDateTime(QDate(2024, 1, 1), QTime(12, 30, 5)));
    const QList<std::pair<qint32, qint32>> expected{{9950, 4}, {9951, 24}, {9952, 1}, {9953, 1}, {9954, 1},
                                                    {9955, 0}, {9956, 30}, {9957, 5}, {9958, 1}, {9950, 2}};
    EXPECT_EQ(noon, expected);
    const auto night = clockWrites(QDateTime(QDate(2024, 1, 1), QTime(0, 30, 0)));
    EXPECT_EQ(night[5], (std::pair<qint32, qint32>{9955, 0}));
    EXPECT_EQ(night[8], (std::pair<qint32, qint32>{9958, 0}));
}
