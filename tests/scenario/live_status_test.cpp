#include "sim_console_fixture.h"

using namespace velmorix;
using namespace velmorix::test;

namespace {

const char kLinkReset[] = "\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03";

class LiveStatus : public SimConsoleTest {};

} // namespace

TEST_F(LiveStatus, PanelShowsTheControllerWithinTwoTicksOfItsFirstFrame) {
    start();
    int firstFrameTick = -1;
    for (int t = 1; t <= 10 && firstFrameTick < 0; ++t) {
        tick();
        if (sent().contains("%\x14"))
            firstFrameTick = t;
    }
    ASSERT_GT(firstFrameTick, 0) << "the controller never answered";
    tick();
    EXPECT_EQ(state().status.axes[0], "  125,000");
    EXPECT_EQ(state().status.axes[1], "  -42,500");
    EXPECT_EQ(state().status.axes[2], "   10,000");
    EXPECT_EQ(state().status.LabelType, "SIM1-0001");
    EXPECT_EQ(state().status.LabelTime, "2026-1208");
    EXPECT_EQ(state().view.statusPanels[4], "SN-0142857");
}

TEST_F(LiveStatus, AxisGroupSwitchSendsANewRequestAndItsValuesAppear) {
    start();
    tick(5);
    const qsizetype before = received().size();
    console.RadioGroupMonitorClick(2); // following error: zero at rest
    tick(5);
    EXPECT_TRUE(received().mid(before).contains("v22\rD12121\rD12122"));
    EXPECT_EQ(state().status.axes[0], "    0,000");
    console.RadioGroupMonitorClick(1); // pulse counters
    tick(5);
    EXPECT_TRUE(received().mid(before).contains("v22\rD12141"));
    EXPECT_EQ(state().status.axes[0], "  500,000"); // four a thousandth of X at rest, 125,000
}

TEST_F(LiveStatus, DsrDropBlanksAndSendsNothingAndReconnectResyncs) {
    start();
    tick(5);
    controller.addFault(
        {.kind = sim::Fault::DropDsr, .fromUs = nowUs() + 1000, .untilUs = nowUs() + 2'001'000});
    tick(3);
    EXPECT_FALSE(state().line.LinkUp);
    EXPECT_EQ(state().status.axes[0], "----,---");
    EXPECT_EQ(state().status.LabelType, "KCNC-[ID]");
    EXPECT_EQ(state().status.LabelCommandState, "---------");
    EXPECT_EQ(state().status.LabelCps, "Cps=----");
    EXPECT_EQ(state().status.LabelTime, "2026-1208");      // kept
    EXPECT_EQ(state().view.statusPanels[4], "SN-0142857"); // kept
    const qsizetype before = received().size();
    console.RadioGroupMonitorClick(0); // a list change while the controller is away
    tick(10);
    EXPECT_EQ(received().size(), before);
    tick(10); // DSR is back
    EXPECT_TRUE(state().line.LinkUp);
    EXPECT_TRUE(received().mid(before).startsWith(QByteArray(kLinkReset, 25)));
    EXPECT_EQ(state().status.axes[0], "  125,000");
    EXPECT_TRUE(state().seq.FrameValid);
}

TEST_F(LiveStatus, ErrorNumberIsShownWithItsTextFromTheErrorTable) {
    dir.write("VelmErr.ini", "%%%%VelmErr.Ini\r\n12: Spindle alarm\r\n");
    start();
    tick(5);
    controller.addFault({.kind = sim::Fault::ErrorNumber, .fromUs = nowUs(), .value = 12, .hasValue = true});
    tick(5);
    EXPECT_EQ(keyIn(), ";Er12:  Spindle alarm");
}

TEST_F(LiveStatus, NoiseAndBrokenFramesAreSkippedAndTheLastGoodValuesStay) {
    start();
    tick(10);
    ASSERT_EQ(state().view.statusPanels[4], "SN-0142857");
    controller.setValue(10991, 5, nowUs());
    controller.addFault({.kind = sim::Fault::TruncatedFrame, .fromUs = nowUs()});
    controller.addFault({.kind = sim::Fault::NoiseBetweenFrames, .fromUs = nowUs()});
    tick(5);
    EXPECT_EQ(state().view.statusPanels[4], "SN-0142857");
    controller.clearFaults();
    controller.addFault({.kind = sim::Fault::WrongLengthFrame, .fromUs = nowUs()});
    tick(5);
    EXPECT_EQ(state().view.statusPanels[4], "SN-0142857");
    controller.clearFaults();
    tick(5);
    EXPECT_EQ(state().view.statusPanels[4], "SN-0000005");
}

TEST_F(LiveStatus, RateOfBackToBackFramesAt38400SevenE2IsTheLineRate) {
    start();
    tick(40);
    const QString cps = state().status.LabelCps;
    ASSERT_TRUE(cps.startsWith("Cps=")) << cps.toStdString();
    const int rate = cps.mid(4).toInt();
    EXPECT_NEAR(rate, 3490, 3490 * 0.05) << cps.toStdString();
    EXPECT_EQ(state().status.LabelRxD, "RxD_Rate");
}

TEST_F(LiveStatus, ASequenceNumberThatStaysWrongIsAdoptedAfreshAfterTwoSeconds) {
    // The frames the console adopts its number from carry a wrong one (noise, a controller that
    // restarted its numbering): without recovery every later frame would be rejected.
    controller.addFault({.kind = sim::Fault::StaleSequence, .fromUs = 0, .untilUs = 600'000});
    start();
    auto acceptedDuring = [this](int ticks) {
        const quint64 before = console.poll().acceptedFrames();
        tick(ticks);
        return console.poll().acceptedFrames() - before;
    };
    tick(8);
    EXPECT_EQ(acceptedDuring(10), 0u); // within what a normal switch-over may take
    tick(8);
    EXPECT_GT(acceptedDuring(10), 5u);

    // The controller's numbering moves for good, DSR staying on: the display comes back as well.
    controller.addFault({.kind = sim::Fault::StaleSequence, .fromUs = nowUs()});
    tick(2);
    EXPECT_EQ(acceptedDuring(15), 0u);
    tick(10);
    EXPECT_GT(acceptedDuring(10), 5u);
}
