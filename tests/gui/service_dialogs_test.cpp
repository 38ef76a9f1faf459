// The service dialogs as an operator meets them.
#include "gui/pages/form_new_value.h"
#include "gui/service/form_com_start.h"
#include "gui/service/form_login.h"
#include "gui/service/form_modify_var.h"
#include "gui/service/form_rtc.h"
#include "gui/widgets.h"

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <gtest/gtest.h>

using namespace velmorix;

TEST(ServiceDialogs, TypingIntoAFreshlyOpenedDialogReplacesItsValue) {
    TFormNewValue value("1234", "(R001)");
    value.show();
    QTest::keyClicks(value.EditNewValue, "4321");
    QTest::keyClick(value.EditNewValue, Qt::Key_Return);
    EXPECT_EQ(value.NewValue(), 4321);

    TFormComStart com(7);
    EXPECT_EQ(com.windowTitle(), "Com No. Setting");
    EXPECT_EQ(com.Label1->text(), "CommPort  Start No.：");
    // Full-width and Chinese characters have glyphs, in the window's font and its fixed font alike.
    for (const QFont& font : {com.Label1->font(), widgets::fixedFont()}) {
        const QFontMetrics metrics(font);
        for (const QChar c : QStringLiteral(u"\uFF1A\uFF01\u4E3B\u8F74\u8F6C\u901F"))
            EXPECT_TRUE(metrics.inFont(c))
                << font.family().toStdString() << " U+" << std::hex << int(c.unicode());
    }
    com.show();
    QTest::keyClicks(com.Edit1, "12");
    QTest::keyClick(com.Edit1, Qt::Key_Return);
    EXPECT_FALSE(com.isVisible());
    EXPECT_EQ(com.number(), 12);

    Settings current;
    current.User_start = 2000;
    TFormModifyVar ranges(current);
    ranges.show();
    EXPECT_EQ(ranges.focusWidget(), ranges.findChild<QLineEdit*>("EditVarUser_start"));
    QTest::keyClicks(ranges.EditVarUser_start, "5000");
    EXPECT_EQ(ranges.EditVarUser_start->text(), "5000");
}

TEST(ServiceDialogs, ModifyVarRefusesLettersAndTakesOnlyRangesThatPass) {
    TFormModifyVar dialog(Settings{});
    EXPECT_EQ(dialog.windowTitle(), "Modify Var");
    QSignalSpy messages(&dialog, &TFormModifyVar::message);
    dialog.show();
    QTest::keyClicks(dialog.findChild<QLineEdit*>("EditMcmData_size"), "7x");
    EXPECT_EQ(dialog.EditMcmData_size->text(), "10007");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0][0].toString(), "Please input numeral:0-9!");
    QTest::keyClick(dialog.EditMcmData_size, Qt::Key_Backspace);

    dialog.EditVarUser_start->clear();
    dialog.EditVarUser_size->setText("1500");
    dialog.ButtonOk->click();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1][0].toString(), "Input error!");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.EditVarUser_start->text(), "0");

    dialog.EditVarUser_size->setText("2000");
    QTest::keyClick(dialog.EditVarUser_size, Qt::Key_Return); // Enter presses no button
    EXPECT_TRUE(dialog.isVisible());
    dialog.ButtonOk->click();
    EXPECT_EQ(messages.size(), 2);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.ranges(), (Settings{0, 2000, 10000, 4000, 10000, 1000, 11000, 1000}));
}

TEST(ServiceDialogs, ComStartTakesNineDigitsAndHandsThemOverOnlyByOk) {
    TFormComStart dialog(1);
    dialog.show();
    QTest::keyClicks(dialog.Edit1, "1234567890a");
    EXPECT_EQ(dialog.Edit1->text(), "123456789");
    dialog.BitBtn1->click();
    EXPECT_EQ(dialog.number(), 123456789);

    TFormComStart cancelled(3);
    cancelled.show();
    cancelled.BitBtn2->click();
    EXPECT_FALSE(cancelled.number());
}

TEST(ServiceDialogs, LoginOpensEmptyAndOnlyOkHandsOverWhatWasTyped) {
    TFormLogin dialog;
    dialog.show();
    EXPECT_EQ(dialog.EditPassword->echoMode(), QLineEdit::Password);
    QTest::keyClicks(dialog.EditUser, "qwzp");
    QTest::keyClicks(dialog.EditPassword, "471");
    QTest::keyClick(dialog.EditPassword, Qt::Key_Return);
    ASSERT_TRUE(dialog.answer());
    EXPECT_EQ(dialog.answer()->user, "qwzp");
    EXPECT_EQ(dialog.answer()->password, "471");

    TFormLogin again;
    EXPECT_TRUE(again.EditUser->text().isEmpty() && again.EditPassword->text().isEmpty());
    again.show();
    QTest::keyClicks(again.EditUser, "x");
    again.close();
    EXPECT_FALSE(again.answer());
}

TEST(ServiceDialogs, ClockShowsTheLiveFieldsEachTickAndSetRtcReachesTheConsole) {
    QStringList texts(8, "");
    int sets = 0;
    TFormRTC dialog({[&] { return texts; }, [&] { ++sets; }});
    EXPECT_EQ(dialog.windowTitle(), "RTC Setting");
    dialog.show();
    ASSERT_TRUE(dialog.Timer1->isActive());
    EXPECT_EQ(dialog.Timer1->interval(), 100);
    texts = {"24", "6", "15", "6", "3", "4", "5", "1"};
    QTimerEvent tick(dialog.Timer1->timerId());
    QCoreApplication::sendEvent(dialog.Timer1, &tick);
    for (int i = 0; i < 8; ++i) {
        auto* field = dialog.findChild<QLabel*>(QStringLiteral("StaticTextPlcRct%1_10").arg(i));
        ASSERT_NE(field, nullptr) << i;
        EXPECT_EQ(field->text(), texts[i]);
    }
    QTest::mouseClick(dialog.findChild<QPushButton*>("Button2"), Qt::LeftButton); // "GetRTC" does nothing
    QTest::mouseClick(dialog.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    EXPECT_EQ(sets, 1);
    dialog.close();
    EXPECT_FALSE(dialog.Timer1->isActive());
}
