// The status bar's service functions against the virtual controller.
#include "sim_console_fixture.h"

#include "core/service/service_functions.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

class Service : public SimConsoleTest {
protected:
    void SetUp() override {
        start();
        tick(5);
    }
    // A press at the middle of a panel, with the window's design widths.
    void press(int panel) {
        const std::array<int, 4> widths{84, 200, 200, 150};
        int x = 0;
        for (int i = 0; i < panel && i < 4; ++i)
            x += widths[i];
        console.StatusBar1MouseDown(x + (panel < 4 ? widths[panel] / 2 : 25), widths, 700);
    }
};

} // namespace

TEST_F(Service, TheLoginOpensTheRangesWhichReachTheSettingsAndThePages) {
    console.ButtonCNCInfoClick();
    console.LabelBackClick();
    prompts.loginAnswers.push_back(LoginAnswer{"QWZP", "47150392 "});
    press(0);
    EXPECT_EQ(prompts.messages, QStringList({QStringLiteral("Code Error\uFF01")}));
    EXPECT_TRUE(prompts.rangesShown.isEmpty());

    Settings wider = state().env.ranges;
    wider.User_start = 20000;
    wider.User_size = 3000;
    wider.CncInfo_start = 30000;
    prompts.loginAnswers.push_back(LoginAnswer{"qwzp", "47150392"});
    prompts.rangeAnswers.push_back(wider);
    press(0);
    EXPECT_EQ(state().env.ranges, wider);
    EXPECT_TRUE(state().RangesChanged);
    // Until the tables are loaded for the new range, a name still belongs to the number beside it.
    console.ButtonPageDownClick();
    EXPECT_EQ(console.pages().var().namedNumbers[0], "(10,910)");
    EXPECT_EQ(console.pages().var().names[0], "UnName_10910");
    console.LinktoCNCButtonClick();
    console.ButtonVarUserClick();
    EXPECT_EQ(console.pages().var().thousands, QStringList({"20000", "21000", "22000"}));
    console.FormDestroy();
    EXPECT_TRUE(dir.read("Config/Environment.ini").contains("User_start=20000"));
    EXPECT_TRUE(dir.read("Config/Environment.ini").contains("User_size=3000"));
}

TEST_F(Service, PortNumbersTskIdAndTheClickCounter) {
    console.LabelBackClick();
    prompts.comStartAnswers.push_back(0);
    press(2);
    EXPECT_EQ(state().env.ComStartNum, 0);
    EXPECT_EQ(commItems(CommGroup::Com, state().env.ComStartNum).first(), "Com0");

    prompts.idAnswers.push_back(IdAnswer{true, "zrtm64"});
    press(3);
    prompts.idAnswers.push_back(IdAnswer{true, "ZRTM64"});
    press(3);
    EXPECT_EQ(prompts.idRequests, QStringList({"TSK ID|TSK ID:", "TSK ID|TSK ID:"}));
    EXPECT_EQ(console.filePage().view().recvItems.count("U:PLC"), 1);
    EXPECT_EQ(console.filePage().view().recvItem, 0);

    console.LinktoCNCButtonClick();
    tick(3);
    for (int i = 0; i < 20; ++i)
        press(0);
    EXPECT_FALSE(state().view.ButtonClearShown);
    EXPECT_EQ(state().env.ClearAllTimes, 20);
    press(0); // the 21st shows it; the count stays
    EXPECT_TRUE(state().view.ButtonClearShown);
    EXPECT_EQ(state().env.ClearAllTimes, 20);
}

TEST_F(Service, TheClockDialogPollsTheClockThenThePageAgainAndSetsTheControllersTime) {
    console.ButtonPlcBitClick();
    tick(3);
    ASSERT_EQ(state().block.PollBlockStart, 10800);
    QStringList seen;
    prompts.clockScript = [&](const ClockDialog& dialog) {
        tick(3); // the poll goes on while the dialog is open
        seen = dialog.fields();
        dialog.setRtc();
        clock.advance(3100);
    };
    const qsizetype before = received().size();
    press(4);
    EXPECT_EQ(prompts.clocksShown, 1);
    EXPECT_TRUE(
        received().mid(before).contains("\rD9951\rD9952\rD9953\rD9954\rD9955\rD9956\rD9957\rD9958\r"));
    ASSERT_EQ(seen.size(), 8);
    EXPECT_EQ(seen[0], QString::number(controller.value(9951, nowUs()))); // the year, live
    // The PC's time is the controller's now.
    const QDateTime pc = clock.localDateTime();
    EXPECT_EQ(controller.value(9956, nowUs()), pc.time().minute());
    EXPECT_EQ(controller.value(9951, nowUs()), pc.date().year() % 100);
    tick(3);
    EXPECT_EQ(state().block.PollBlockStart, 10800);
    EXPECT_TRUE(received().right(400).contains("\rD10800\r"));

    // Refused during a transfer.
    ConsoleSeam(console).transfer().requestReceive();
    press(4);
    EXPECT_EQ(prompts.clocksShown, 1);
}
