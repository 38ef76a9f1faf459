#include "gui/pages/form_new_value.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmorix;

// The key filter and the number's parse are tested in tests/core (pages_test.cpp); here the dialog.

TEST(FormNewValue, TypedKeysPassTheFilterAndEnterTakesTheValue) {
    TFormNewValue dialog("", "(R037)");
    dialog.show();
    QTest::keyClicks(dialog.EditNewValue, "12a3-b");
    EXPECT_EQ(dialog.EditNewValue->text(), "123-");
    QSignalSpy invalid(&dialog, &TFormNewValue::invalidValue);
    QTest::keyClick(dialog.EditNewValue, Qt::Key_Return);
    ASSERT_EQ(invalid.size(), 1);
    EXPECT_EQ(invalid[0][0].toString(), "'123-' is not a valid integer value");
    EXPECT_TRUE(dialog.isVisible()); // stays open
    EXPECT_FALSE(dialog.NewValue());
    QTest::keyClick(dialog.EditNewValue, Qt::Key_Backspace);
    QTest::keyClick(dialog.EditNewValue, Qt::Key_Escape); // dropped
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(dialog.EditNewValue, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.NewValue(), 123);
}

TEST(FormNewValue, ClosingWithoutEnterGivesNoValue) {
    TFormNewValue dialog("77", "(R001)");
    EXPECT_EQ(dialog.windowTitle(), "Key In New Value");
    dialog.show();
    dialog.close();
    EXPECT_FALSE(dialog.NewValue());
}
