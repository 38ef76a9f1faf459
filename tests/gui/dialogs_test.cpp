// The ID dialog and the upload warning as an operator meets them.
#include "gui/files/form_kld.h"
#include "gui/files/form_warning.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmorix;

TEST(IdDialog, TakesSixLettersOrDigitsShowsStarsAndOnlyConfirms) {
    TFormKLD dialog(QStringLiteral("TSK ID"), QStringLiteral("TSK ID:"));
    EXPECT_EQ(dialog.windowTitle(), "TSK ID");
    EXPECT_EQ(dialog.LabelPass->text(), "TSK ID:");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog.size(), QSize(171, 77));
    dialog.show();
    QTest::keyClicks(dialog.EditPass, QStringLiteral("zr- tm64X"));
    EXPECT_EQ(dialog.text(), "zrtm64"); // "-" and the blank swallowed, the seventh cut off
    EXPECT_EQ(dialog.EditPass->displayText(), "******");
    QTest::keyClick(dialog.EditPass, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible()); // no way out but OK
    QTest::keyClick(dialog.EditPass, Qt::Key_Backspace);
    QTest::keyClick(dialog.EditPass, Qt::Key_Return);
    EXPECT_TRUE(dialog.confirmed());
    EXPECT_EQ(dialog.text(), "zrtm6");
}

TEST(UploadWarning, OnlyUpLoadSendsAndItsLayoutFollowsTheLabel) {
    TFormWarning dialog;
    dialog.show();
    const QRect label = dialog.Label1->geometry();
    EXPECT_EQ(dialog.width(), label.right() + 1 + 20);
    EXPECT_EQ(dialog.CheckBox1->x(), label.left() + 10);
    EXPECT_EQ(dialog.CheckBox1->y(), label.bottom() + 1 + 20);
    EXPECT_EQ(dialog.BitBtnOK->x(), dialog.CheckBox1->x());
    EXPECT_EQ(dialog.BitBtnCancel->y(), dialog.BitBtnOK->y());
    EXPECT_EQ(dialog.BitBtnCancel->geometry().right() + 1, label.right() + 1 - 10);
    EXPECT_EQ(dialog.BitBtnOK->text(), "UpLoad");
    dialog.CheckBox1->setChecked(true);
    dialog.close(); // the window's close is a cancel
    EXPECT_FALSE(dialog.uploadChosen());
    EXPECT_TRUE(dialog.warningOff());
    TFormWarning again;
    QTimer::singleShot(0, again.BitBtnOK, [&] { again.BitBtnOK->click(); });
    again.exec();
    EXPECT_TRUE(again.uploadChosen());
}
