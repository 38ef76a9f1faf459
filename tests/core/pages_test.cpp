#include "core/pages/new_value.h"
#include "core/pages/pages.h"

#include <gtest/gtest.h>

using namespace velmorix;

TEST(Pages, NumberLabelsSplitThousandsAndLongNumbersShowPlainly) {
    EXPECT_EQ(VarPage::numberLabel(5), "(00,005)");
    EXPECT_EQ(VarPage::numberLabel(123), "(00,123)");
    EXPECT_EQ(VarPage::numberLabel(10900), "(10,900)");
    EXPECT_EQ(VarPage::numberLabel(99999), "(99,999)");
    EXPECT_EQ(VarPage::numberLabel(100000), "100000");
}

TEST(Pages, ThousandListHasOneItemPerThousandStarted) {
    EXPECT_EQ(VarPage::thousandItems(0, 10000),
              QStringList({"0000", "1000", "2000", "3000", "4000", "5000", "6000", "7000", "8000", "9000"}));
    EXPECT_EQ(VarPage::thousandItems(10000, 4000), QStringList({"10000", "11000", "12000", "13000"}));
    EXPECT_EQ(VarPage::thousandItems(11000, 1000), QStringList({"11000"}));
    EXPECT_EQ(VarPage::thousandItems(11000, 1500), QStringList({"11000", "12000"}));
    EXPECT_TRUE(VarPage::thousandItems(0, 0).isEmpty());
    // A damaged range offers a bounded list.
    EXPECT_EQ(VarPage::thousandItems(0, 2000000000).size(), 1000);
}

TEST(NewValue, KeyFilterPassesControlKeysMinusAndUpToNineDigits) {
    EXPECT_TRUE(newValueKeyAccepted('5', "12345678"));
    EXPECT_FALSE(newValueKeyAccepted('5', "123456789"));
    EXPECT_TRUE(newValueKeyAccepted('-', "123456789"));
    EXPECT_TRUE(newValueKeyAccepted('\b', "123456789"));
    EXPECT_TRUE(newValueKeyAccepted('\r', ""));
    EXPECT_FALSE(newValueKeyAccepted('a', ""));
    EXPECT_FALSE(newValueKeyAccepted('+', ""));
    EXPECT_FALSE(newValueKeyAccepted(QChar(0x1B), "")); // Esc
}

TEST(NewValue, EnterTakesAnIntegerOrZeroForAnEmptyText) {
    EXPECT_EQ(parseNewValue(""), 0);
    EXPECT_EQ(parseNewValue("-42"), -42);
    EXPECT_EQ(parseNewValue("007"), 7);
    EXPECT_EQ(parseNewValue("-"), std::nullopt);
    EXPECT_EQ(parseNewValue("12-"), std::nullopt);
    EXPECT_EQ(parseNewValue("--5"), std::nullopt);
    EXPECT_EQ(parseNewValue("99999999999"), std::nullopt);
    EXPECT_EQ(notAnIntegerMessage("12-"), "'12-' is not a valid integer value");
}
