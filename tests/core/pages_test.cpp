#include "core/pages/new_value.h"
#include "core/pages/pages.h"

#include <gtest/gtest.h>

using namespace velmorix;

TEST(Pages, NumberLabelsSplitThousandsAndLongNumbersShowPlainly) {
    EXPECT_EQ(Pages::NumberLabel(5), "(00,005)");
    EXPECT_EQ(Pages::NumberLabel(123), "(00,123)");
    EXPECT_EQ(Pages::NumberLabel(10900), "(10,900)");
    EXPECT_EQ(Pages::NumberLabel(99999), "(99,999)");
    EXPECT_EQ(Pages::NumberLabel(100000), "100000");
}

TEST(Pages, ThousandListHasOneItemPerThousandStarted) {
    EXPECT_EQ(Pages::ThousandItems(0, 10000),
              QStringList({"0000", "1000", "2000", "3000", "4000", "5000", "6000", "7000", "8000", "9000"}));
    EXPECT_EQ(Pages::ThousandItems(10000, 4000), QStringList({"10000", "11000", "12000", "13000"}));
    EXPECT_EQ(Pages::ThousandItems(11000, 1000), QStringList({"11000"}));
    EXPECT_EQ(Pages::ThousandItems(11000, 1500), QStringList({"11000", "12000"}));
    EXPECT_TRUE(Pages::ThousandItems(0, 0).isEmpty());
    // A damaged range offers a bounded list.
    EXPECT_EQ(Pages::ThousandItems(0, 2000000000).size(), 1000);
}

TEST(NewValue, KeyFilterPassesControlKeysMinusAndUpToNineDigits) {
    EXPECT_TRUE(NewValueKeyAccepted('5', "12345678"));
    EXPECT_FALSE(NewValueKeyAccepted('5', "123456789"));
    EXPECT_TRUE(NewValueKeyAccepted('-', "123456789"));
    EXPECT_TRUE(NewValueKeyAccepted('\b', "123456789"));
    EXPECT_TRUE(NewValueKeyAccepted('\r', ""));
    EXPECT_FALSE(NewValueKeyAccepted('a', ""));
    EXPECT_FALSE(NewValueKeyAccepted('+', ""));
    EXPECT_FALSE(NewValueKeyAccepted(QChar(0x1B), "")); // Esc
}

TEST(NewValue, EnterTakesAnIntegerOrZeroForAnEmptyText) {
    EXPECT_EQ(ParseNewValue(""), 0);
    EXPECT_EQ(ParseNewValue("-42"), -42);
    EXPECT_EQ(ParseNewValue("007"), 7);
    EXPECT_EQ(ParseNewValue("-"), std::nullopt);
    EXPECT_EQ(ParseNewValue("12-"), std::nullopt);
    EXPECT_EQ(ParseNewValue("--5"), std::nullopt);
    EXPECT_EQ(ParseNewValue("99999999999"), std::nullopt);
    EXPECT_EQ(NotAnIntegerMessage("12-"), "'12-' is not a valid integer value");
}
