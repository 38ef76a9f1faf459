#include "gui/main/form_main.h"
#include "support/console_seam.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmorix;
using namespace velmorix::test;

namespace {

class FormMainTest : public ::testing::Test {
protected:
    FormMainTest()
        : console(
              clock, prompts,
              [this](const QString&) {
                  auto p = std::make_unique<FakePort>();
                  port = p.get();
                  return p;
              },
              dir.path()),
          form(console) {}

    template <typename T = QWidget> T* get(const QString& name) {
        auto* w = qobject_cast<T*>(form.control(name));
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QRadioButton* radio(const QString& group, int index) {
        return get<QGroupBox>(group)->findChildren<QRadioButton*>().at(index);
    }
    bool lit(const QString& name) {
        return get<QLabel>(name)->palette().color(QPalette::Window) == QColor(255, 128, 128);
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    FakePort* port = nullptr;
    Console console;
    TFormMain form;
};

} // namespace

TEST_F(FormMainTest, StartsOnTheCommPageWithTheSetupCodeInTheCaption) {
    form.start({});
    EXPECT_EQ(form.windowTitle(), "Velmorix\\CommPort.SetUp 142720");
    EXPECT_EQ(get<QStackedWidget>("Notebook")->currentWidget()->objectName(), "PanelCom");
    EXPECT_TRUE(radio("RadioGroupBaudRate", 3)->isChecked());
    EXPECT_TRUE(radio("RadioGroupParityCheck", 2)->isChecked());
    EXPECT_FALSE(get("RadioGroupManual")->isEnabled());
    EXPECT_EQ(radio("RadioGroupCom", 5)->text(), "Com6");
    for (const char* name : {"RadioGroupMonitor", "ButtonPlcBit", "ButtonHelp", "ButtonMDIgo", "EditKeyIn",
                             "ButtonMotion", "ButtonReset"})
        EXPECT_FALSE(get(name)->isEnabled()) << name;
    EXPECT_TRUE(get("ButtonClose")->isEnabled());
    EXPECT_EQ(get<QLineEdit>("EditKeyIn")->text(), "; Velmorix StartUp ... ;");
    EXPECT_EQ(get<QLabel>("StatusBar1Panel3")->text(), "V2.10 2012-0601");
    EXPECT_TRUE(get("ButtonClear")->isHidden());
    // A fixed-size window.
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
}

TEST_F(FormMainTest, RadioClicksReachTheEngineAndTheCaption) {
    form.start({});
    QTest::mouseClick(radio("RadioGroupBaudRate", 5), Qt::LeftButton);
    QTest::mouseClick(radio("RadioGroupCom", 2), Qt::LeftButton);
    EXPECT_EQ(form.windowTitle(), "Velmorix\\CommPort.SetUp 362720");
    EXPECT_EQ(get<QLabel>("StatusBar1Panel1")->text(), "COM3,115200,E,7,2");
    EXPECT_EQ(get<QLabel>("StatusBar1Panel1")->toolTip(), "COM3 opens /dev/ttyS2");
}

TEST_F(FormMainTest, LinkEnablesTheOperatorAndLightsTheIndicators) {
    form.start({});
    EXPECT_FALSE(lit("LabelDSR"));
    QTest::mouseClick(get<QPushButton>("LinktoCNCButton"), Qt::LeftButton);
    EXPECT_EQ(get<QStackedWidget>("Notebook")->currentWidget()->objectName(), "PanelSetting");
    EXPECT_EQ(form.windowTitle(), "Velmorix\\Plc\\I_Bit");
    EXPECT_TRUE(get("ButtonPlcBit")->isEnabled());
    EXPECT_TRUE(get("ButtonPlcBit")->font().bold());
    EXPECT_FALSE(get("ButtonPlcRCT")->font().bold());
    EXPECT_FALSE(get("ButtonMotion")->isEnabled());
    EXPECT_TRUE(lit("LabelDSR"));
    EXPECT_TRUE(lit("LabelCTS"));
    port->setCtsLine(false);
    clock.advance(RepaintGate::kIntervalMs); // a line event reaches the window with the next repaint
    EXPECT_FALSE(lit("LabelCTS"));
    EXPECT_TRUE(lit("LabelDSR"));

    QTest::mouseClick(get<QLabel>("LabelBack"), Qt::LeftButton);
    EXPECT_EQ(get<QStackedWidget>("Notebook")->currentWidget()->objectName(), "PanelCom");
    EXPECT_FALSE(get("ButtonPlcBit")->isEnabled());
    EXPECT_FALSE(lit("LabelDSR"));
}

TEST_F(FormMainTest, ClearButtonJoinsTheBottomRowAtTheNotebooksRightEdge) {
    dir.write("Config/Environment.ini", "[ComStart]\nclear_all_times=25\ncom_start_num=7\n");
    form.start({});
    QWidget* clear = get("ButtonClear");
    QWidget* reset = get("ButtonReset");
    QWidget* edit = get("EditKeyIn");
    EXPECT_FALSE(clear->isHidden());
    EXPECT_EQ(clear->geometry().right(), get("Notebook")->geometry().right());
    EXPECT_EQ(reset->geometry().right() + 1 + 10, clear->x());
    EXPECT_EQ(edit->geometry().right() + 1, get("ButtonMemText")->x());
    EXPECT_EQ(radio("RadioGroupCom", 0)->text(), "Com7");
}

TEST_F(FormMainTest, CloseButtonWritesTheSettings) {
    form.start({});
    form.show();
    QTest::mouseClick(get<QPushButton>("ButtonClose"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(dir.read("Config/Environment.ini").contains("User_start=0"));
}

TEST_F(FormMainTest, APauseShowsTheBusyCursorAndWhatIsTypedMeanwhileRunsAfterIt) {
    form.start({"142720", "GO"});
    form.show();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The flash write after a send: the command goes out, then the line holds still for 3 s.
    console.CheckBoxFlashClick(true);
    ConsoleSeam seam(console);
    seam.message().note("G10 P600 L03;Write to Flash;");
    seam.mdi().armFlashWrite();
    clock.advance(3210 + RepaintGate::kIntervalMs);
    ASSERT_TRUE(console.paused());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    auto* edit = get<QLineEdit>("EditKeyIn");
    QTest::keyClicks(edit, "G00 X1");
    QTest::keyClick(edit, Qt::Key_Return);
    port->setCtsLine(false); // a line event repaints the window meanwhile
    clock.advance(RepaintGate::kIntervalMs);
    EXPECT_FALSE(lit("LabelCTS"));
    EXPECT_EQ(edit->text(), "G00 X1"); // on the line until the pause ends
    port->setCtsLine(true);
    clock.advance(3000);
    EXPECT_FALSE(console.paused());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(edit->text(), ""); // gone out (tests/scenario/mdi_test.cpp has the bytes)

    // A pause begun inside a dialog's click ("Set RTC" of the clock dialog) shows it just the same.
    Qt::CursorShape during = Qt::ArrowCursor;
    prompts.clockScript = [&](const ClockDialog& dialog) {
        dialog.setRtc();
        clock.advance(RepaintGate::kIntervalMs);
        if (QApplication::overrideCursor())
            during = QApplication::overrideCursor()->shape();
        clock.advance(3000);
    };
    console.StatusBar1MouseDown(680, {84, 200, 200, 150}, 700);
    EXPECT_EQ(during, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FormMainTest, StatusBarPressesReachTheConsoleInBarCoordinates) {
    form.start({});
    // Five pixels into the third panel is past the first two panels: the port start number, by any
    // button; five pixels into the first panel is the login.
    QTest::mouseClick(form.control("StatusBar1Panel2"), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(prompts.comStartShown, QList<qint32>{1});
    EXPECT_EQ(prompts.loginsShown, 0);
    QTest::mouseClick(form.control("StatusBar1Panel0"), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(prompts.loginsShown, 1);
}
