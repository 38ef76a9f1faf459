#include "window_fixture.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace velmorix;
using namespace velmorix::test;

namespace {

// What the pages' widgets show after real status frames and the operator's clicks on them.
class PagesRender : public WindowOnSimulator {
protected:
    void link() {
        form.show();
        form.start({"--simulator", "142720", "GO"});
        poll();
    }
    // Poll ticks, then the wait until their timed repaint reaches the window.
    void poll(int ticks = 5) {
        clock.advance(100 * ticks);
        clock.advance(RepaintGate::kIntervalMs);
    }
    void set(int variable, qint32 value) { controller.setValue(variable, value, clock.nowUs()); }

    QString text(const QString& name) { return get<QLabel>(name)->text(); }
    bool bold(const QString& name) { return get(name)->font().bold(); }
    bool lit(const QString& name) {
        return get<QLabel>(name)->palette().color(QPalette::Window) == QColor(255, 128, 128);
    }
    void click(const QString& name) { QTest::mouseClick(get(name), Qt::LeftButton); }
    QString shownPage() { return get<QStackedWidget>("Notebook")->currentWidget()->objectName(); }
};

} // namespace

TEST_F(PagesRender, BitGridLightsTheControllersBitsAndFollowsTheGroupButton) {
    link();
    for (int v = 10800; v < 10808; ++v)
        set(v, 0);
    set(10800, qint32(0x80000000u)); // I031
    set(10803, 0x00010000);          // I112
    set(10807, 1);                   // I224
    poll();
    ASSERT_EQ(shownPage(), "PanelSetting");
    for (int n = 0; n < 256; ++n)
        EXPECT_EQ(lit(QStringLiteral("StaticText%1").arg(n)), n == 31 || n == 112 || n == 224)
            << "cell " << n;
    EXPECT_EQ(text("StaticText31"), "031");
    // Bits run left to right along a row, sixteen to a row.
    EXPECT_EQ(get("StaticText1")->y(), get("StaticText0")->y());
    EXPECT_GT(get("StaticText1")->x(), get("StaticText0")->x());
    EXPECT_EQ(get("StaticText16")->x(), get("StaticText0")->x());
    EXPECT_GT(get("StaticText16")->y(), get("StaticText0")->y());
    EXPECT_EQ(text("StaticTextB1"), "I000");
    EXPECT_EQ(text("StaticTextB16"), "I240");
    EXPECT_TRUE(bold("BtnIbit"));

    // A bit that goes off again goes dark.
    set(10800, 0);
    poll();
    EXPECT_FALSE(lit("StaticText31"));
    EXPECT_TRUE(lit("StaticText224"));

    click("BtnA768bit");
    EXPECT_EQ(console.pages().plc().boldGroup, 7);
    EXPECT_EQ(form.windowTitle(), "Velmorix\\Plc\\A+768");
    EXPECT_EQ(text("StaticTextB1"), "A768");
    EXPECT_EQ(text("StaticTextB15"), "A992");
    EXPECT_EQ(text("StaticTextB16"), "1008");
    EXPECT_EQ(text("StaticText231"), "999");
    EXPECT_EQ(text("StaticText232"), "000");
    EXPECT_EQ(text("StaticText255"), "023");
    EXPECT_TRUE(bold("BtnA768bit"));
    EXPECT_FALSE(bold("BtnIbit"));
    for (int v = 10856; v < 10864; ++v)
        set(v, 0);
    set(10856, 1); // A768
    poll();
    EXPECT_TRUE(lit("StaticText0"));
    EXPECT_FALSE(lit("StaticText224"));
    // While the controller is away the grid goes dark.
    controller.setCabled(false);
    poll(3);
    EXPECT_FALSE(lit("StaticText0"));
}

TEST_F(PagesRender, RegisterPageShowsTheChosenCountersAndTheirValues) {
    link();
    click("ButtonPlcRCT");
    EXPECT_EQ(shownPage(), "PanelPlcRct");
    EXPECT_EQ(text("StaticTextPlcRct0"), "(R000)");
    EXPECT_TRUE(bold("BtnRegister"));
    EXPECT_TRUE(bold("BtnPlcRct000"));

    click("BtnCounter");
    click("BtnPlcRct032");
    EXPECT_EQ(form.windowTitle(), "Velmorix\\Plc\\Counter");
    EXPECT_TRUE(bold("BtnCounter"));
    EXPECT_FALSE(bold("BtnRegister"));
    EXPECT_TRUE(bold("BtnPlcRct032"));
    EXPECT_FALSE(bold("BtnPlcRct000"));
    EXPECT_EQ(text("StaticTextPlcRct0"), "(CN032)");
    EXPECT_EQ(text("StaticTextPlcRct16"), "(CN048)");
    EXPECT_EQ(text("StaticTextPlcRct31"), "(CN063)");

    set(10256 + 32, 4321);
    set(10256 + 63, -2);
    poll();
    EXPECT_EQ(text("StaticTextPlcRct0_10"), "4321");
    EXPECT_EQ(text("StaticTextPlcRct0_16"), "0000-10E1");
    EXPECT_EQ(text("StaticTextPlcRct31_10"), "-2");
    EXPECT_EQ(text("StaticTextPlcRct31_16"), "FFFF-FFFE");
    const RctView& r = console.pages().rct();
    for (int n = 0; n < 32; ++n) {
        EXPECT_EQ(text(QStringLiteral("StaticTextPlcRct%1_10").arg(n)), r.values[n]) << n;
        EXPECT_EQ(text(QStringLiteral("StaticTextPlcRct%1_16").arg(n)), r.hexes[n]) << n;
    }

    // A click on a value field asks for that row's counter.
    click("StaticTextPlcRct5_10");
    ASSERT_EQ(prompts.valueRequests.size(), 1u);
    EXPECT_EQ(prompts.valueRequests[0].label, "(CN037)");
}

TEST_F(PagesRender, VariableRowsShowTheUserRangeAndFollowTheSelectors) {
    link();
    set(3, 255);
    set(19, -1);
    click("ButtonVarUser");
    poll();
    EXPECT_EQ(shownPage(), "PanelVar");
    EXPECT_FALSE(get("PanelVar_Display")->isHidden());
    EXPECT_TRUE(get("PanelCncInfo_Display")->isHidden());
    EXPECT_EQ(text("Labelvar0"), "(00,000)");
    EXPECT_EQ(text("Labelvar10"), "(00,010)");
    EXPECT_EQ(text("Labelvar19"), "(00,019)");
    EXPECT_EQ(text("StaticTextVar3_10"), "255");
    EXPECT_EQ(text("StaticTextVar3_16"), "0000-00FF");
    EXPECT_EQ(text("StaticTextVar19_10"), "-1");
    EXPECT_EQ(text("StaticTextVar19_16"), "FFFF-FFFF");
    auto* thousands = get<QComboBox>("ComboBox1000");
    EXPECT_TRUE(thousands->isEnabled());
    EXPECT_EQ(thousands->count(), 10);
    EXPECT_EQ(thousands->currentText(), "0000");
    EXPECT_EQ(get<QComboBox>("ComboBox100")->currentText(), "000");

    click("ButtonPageDown");
    EXPECT_EQ(text("Labelvar0"), "(00,010)");
    EXPECT_TRUE(get<QGroupBox>("RadioGroup10")->findChildren<QRadioButton*>().at(1)->isChecked());
    // The tens selector is the window's own: its click reaches the engine and comes back as numbers.
    QTest::mouseClick(get<QGroupBox>("RadioGroup10")->findChildren<QRadioButton*>().at(4), Qt::LeftButton);
    EXPECT_EQ(console.pages().var().D, 4);
    EXPECT_EQ(text("Labelvar0"), "(00,040)");
    EXPECT_EQ(text("Labelvar19"), "(00,059)");
}

TEST_F(PagesRender, NamedRowsSwapThePanelsAndShowTheTablesNames) {
    dir.write("VelmCnc.ini", "%%VelmCnc.Ini\r\n10900:Spindle speed\r\n"
                             "10901:Feed override of the second spindle\r\n");
    link();
    set(10900, 1500);
    click("ButtonCNCInfo");
    poll();
    EXPECT_EQ(shownPage(), "PanelVar");
    EXPECT_TRUE(get("PanelVar_Display")->isHidden());
    EXPECT_FALSE(get("PanelCncInfo_Display")->isHidden());
    auto* thousands = get<QComboBox>("ComboBox1000");
    EXPECT_FALSE(thousands->isEnabled());
    EXPECT_EQ(thousands->count(), 1);
    EXPECT_EQ(thousands->currentText(), "10000");
    EXPECT_EQ(get<QComboBox>("ComboBox100")->currentText(), "900");
    EXPECT_EQ(text("LabelCncInfo0"), "(10,900)");
    EXPECT_EQ(text("LabelCncInfo9"), "(10,909)");
    EXPECT_EQ(text("StaticTextCncInfo0"), "Spindle speed");
    EXPECT_EQ(text("StaticTextCncInfo2"), "UnName_10902");
    EXPECT_EQ(text("StaticTextCncInfo0_10"), "1500");
    // A name wider than its label is broken where the engine wrapped it.
    const QString wrapped = console.pages().var().names[1];
    ASSERT_TRUE(wrapped.contains('\r'));
    EXPECT_EQ(text("StaticTextCncInfo1"), QString(wrapped).replace('\r', '\n'));

    click("ButtonPageDown");
    EXPECT_EQ(text("LabelCncInfo0"), "(10,910)");
    EXPECT_EQ(text("StaticTextCncInfo0"), "UnName_10910");

    click("ButtonMCMData");
    EXPECT_FALSE(get("PanelCncInfo_Display")->isHidden());
    EXPECT_EQ(thousands->currentText(), "11000");
    EXPECT_EQ(get<QComboBox>("ComboBox100")->currentText(), "000");
    EXPECT_EQ(text("LabelCncInfo0"), "(11,000)");
    EXPECT_EQ(text("StaticTextCncInfo0"), "UnUse_11000");

    click("ButtonVarSys");
    EXPECT_FALSE(get("PanelVar_Display")->isHidden());
    EXPECT_TRUE(get("PanelCncInfo_Display")->isHidden());
    EXPECT_TRUE(thousands->isEnabled());
}

TEST_F(PagesRender, FileServiceShowsTheLoadedFileAndTheRowChosenByAPress) {
    dir.write("part.Cnc", "G00 X1\r\nG01 Y2\r\n");
    link();
    click("ButtonFileSvc");
    clock.advance(1000); // the reset signal's pause
    ASSERT_EQ(shownPage(), "PanelFileSvc");
    // At first the receive row is the chosen one.
    EXPECT_TRUE(get<QRadioButton>("RadioButtonRecvFile")->isChecked());
    EXPECT_FALSE(get("ButtonOpenFile")->isEnabled());
    EXPECT_TRUE(get("ButtonRecvIn")->isEnabled());

    auto* operate = get("GroupBoxOperate");
    const QWidget* sendRadio = get("RadioButtonSendFile");
    QTest::mouseClick(operate, Qt::LeftButton, {}, QPoint(5, sendRadio->geometry().center().y()));
    EXPECT_TRUE(console.filePage().view().sendRow);
    EXPECT_TRUE(get<QRadioButton>("RadioButtonSendFile")->isChecked());
    EXPECT_FALSE(get<QRadioButton>("RadioButtonRecvFile")->isChecked());
    for (const char* name : {"ComboBoxSendFile", "ButtonOpenFile", "ButtonSendOut", "CheckBoxFlash"})
        EXPECT_TRUE(get(name)->isEnabled()) << name;
    for (const char* name : {"ComboBoxRecvFile", "ButtonRecvIn", "ButtonSaveFile"})
        EXPECT_FALSE(get(name)->isEnabled()) << name;

    prompts.openAnswers.push_back(dir.file("part.Cnc"));
    click("ButtonOpenFile");
    EXPECT_EQ(get<QPushButton>("ButtonOpenFile")->text(), "Break");
    clock.advance(RepaintGate::kIntervalMs);
    const FilePageView& v = console.filePage().view();
    ASSERT_EQ(v.listLines.size(), 2);
    QAbstractItemModel* list = get<QListView>("ListBoxFileSvc")->model();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(list->index(0, 0).data().toString(), ";[00000001] G00 X1");
    // The break bytes a line starts with are not drawn; the text itself keeps them.
    EXPECT_EQ(list->index(1, 0).data().toString(), ";[00000002] G01 Y2");
    EXPECT_EQ(console.filePage().view().listLines[1], ";[00000002] \r\nG01 Y2");
    EXPECT_EQ(text("LabelFileName"), QDir::toNativeSeparators(dir.file("part.Cnc")));
    EXPECT_EQ(text("LabelFileSize"), v.LabelFileSize);
    EXPECT_EQ(text("LabelFileTime"), v.LabelFileTime);
    EXPECT_NE(text("LabelFileTime"), "File Date");
    EXPECT_EQ(get<QPushButton>("ButtonOpenFile")->text(), "OpenFile");

    auto* flash = get<QCheckBox>("CheckBoxFlash");
    QTest::mouseClick(flash, Qt::LeftButton);
    EXPECT_TRUE(console.filePage().flashChecked());
    EXPECT_TRUE(flash->isChecked());

    // Back to the receive row: the send row locks and the list empties.
    const QWidget* recvRadio = get("RadioButtonRecvFile");
    QTest::mouseClick(operate, Qt::LeftButton, {}, QPoint(5, recvRadio->geometry().center().y()));
    EXPECT_FALSE(console.filePage().view().sendRow);
    EXPECT_FALSE(get("ButtonOpenFile")->isEnabled());
    EXPECT_TRUE(get("ButtonRecvIn")->isEnabled());
    EXPECT_EQ(list->rowCount(), 0);

    // Help takes the page's place and gives it back.
    click("ButtonHelp");
    EXPECT_FALSE(get("MemoHelp")->isHidden());
    EXPECT_TRUE(get("FileServiceArea")->isHidden());
    click("ButtonFileSvc");
    clock.advance(1000);
    EXPECT_TRUE(get("MemoHelp")->isHidden());
    EXPECT_FALSE(get("FileServiceArea")->isHidden());
}
