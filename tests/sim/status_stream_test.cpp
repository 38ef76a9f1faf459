#include "sim_fixture.h"

namespace velmorix::sim::test {
namespace {

class StatusStreamTest : public SimFixture {};

TEST_F(StatusStreamTest, MonitorRequestStreamsFramesOfExactlyItsList) {
    openAndLink();
    clock.advance(100);
    const QByteArray frame = QByteArray("\x12%\rO9000\rH00000001\rv002") + kXY + "%\x14";
    const QByteArray got = readAll();
    ASSERT_GE(got.size(), 3 * 45);
    EXPECT_EQ(got.left(45), frame);
    EXPECT_EQ(got.mid(45, 45), frame); // back to back, nothing between
    EXPECT_EQ(got.mid(90, 45), frame);
    EXPECT_EQ(controller.stream().list(), (QList<int>{12021, 12022}));
}

TEST_F(StatusStreamTest, EveryRequestAdvancesTheReplySequenceAndWrapsAfterSeven) {
    port.open();
    for (int i = 1; i <= 9; ++i) {
        port.write(kLinkReset + kMonitorXY);
        clock.advance(60);
        const QByteArray last = lastFrame(readAll(), 2);
        ASSERT_EQ(last.left(10), QByteArray("\x12%\rO9000\rH"));
        EXPECT_EQ(last.mid(10, 8), QByteArray("0000000") + char('0' + i % 8)) << "request " << i;
    }
}

TEST_F(StatusStreamTest, LinkResetStopsTheStreamAfterTheFrameOnTheLine) {
    openAndLink();
    clock.advance(100);
    port.write(kLinkReset);
    clock.advance(100);
    readAll();
    clock.advance(100);
    EXPECT_EQ(port.inputCount(), 0);
    EXPECT_FALSE(controller.stream().streaming());
}

TEST_F(StatusStreamTest, StatusWordCarriesTheErrorOfAnUnknownWordUntilReset) {
    openAndLink(monitorRequest("v1\rD12021"));
    port.write(QByteArray("\x12%\rO9000\rN000011\rG00X1E5\r%\x14")); // E is no word of this controller
    clock.advance(60);
    EXPECT_EQ(lastFrame(readAll(), 1).mid(10, 8), QByteArray("21000001"));
    port.write(QByteArray("\x14\t\t\t\t"));
    clock.advance(60);
    EXPECT_EQ(lastFrame(readAll(), 1).mid(10, 8), QByteArray("00000001"));
    EXPECT_EQ(controller.resetSignals(), 1);
}

TEST_F(StatusStreamTest, MdiMoveDrivesTheAxisAtItsFeedRate) {
    openAndLink(monitorRequest("v2\rD12021\rD12121"));
    // 12 mm at 600 mm/min: 1.2 s; from X125 to X137.
    port.write(QByteArray("\x12%\rO9000\rN000011\rG01X137.F600\r%\x14"));
    clock.advance(600);
    readAll();
    clock.advance(30);
    QByteArray f = lastFrame(readAll(), 2);
    ASSERT_EQ(f.left(10), QByteArray("\x12%\rO9000\rH"));
    EXPECT_EQ(f.mid(12, 1), QByteArray("1")); // moving
    const qint32 x = digitsValue(f.mid(24, 8));
    EXPECT_GT(x, 130000);
    EXPECT_LT(x, 132000);
    EXPECT_EQ(digitsValue(f.mid(34, 8)), 200); // 10000 thousandths/s over 50
    clock.advance(700);
    readAll();
    clock.advance(30);
    f = lastFrame(readAll(), 2);
    EXPECT_EQ(f.mid(24, 8), QByteArray("00021728")); // 137000
    EXPECT_EQ(f.mid(34, 8), QByteArray("00000000"));
    EXPECT_EQ(controller.mdiCommands(), (QList<QByteArray>{"G01X137.F600"}));
}

TEST_F(StatusStreamTest, DefaultIdentityAndClockShowInTheirVariables) {
    openAndLink(monitorRequest("v5\rD10993\rD10994\rD10995\rD10996\rD10991"));
    clock.advance(60);
    const QByteArray f = readAll().left(75);
    // "SIM1" "0001" as character codes, 2026, 1208, serial 142857.
    EXPECT_EQ(f.mid(23), QByteArray("d53494=31\rd30303031\rd000007>:\rd000004;8\rd00022>09\r%\x14"));
    EXPECT_EQ(controller.value(9951, 0), 26);
    EXPECT_EQ(controller.value(9953, 0), 5);
    EXPECT_EQ(controller.value(9954, 0), 1); // 5 January 2026 is a Monday
    EXPECT_EQ(controller.value(9955, 0), 8);
}

TEST_F(StatusStreamTest, ClockSettingTakesStagedValuesOnlyOnCommit) {
    openAndLink(monitorRequest("v0"));
    auto write = [&](const char* number, const char* digits) {
        port.write(QByteArray("\x12%\rO9012\rN") + number + "\rD" + digits + "\r%\x14");
    };
    write("9957", "0000002;"); // ignored: not in set mode
    write("9950", "00000004");
    write("9951", "00000018"); // 24
    write("9952", "00000003");
    write("9953", "00000009");
    write("9955", "00000007");
    write("9956", "00000005");
    write("9957", "0000001>"); // 30
    write("9958", "00000001");
    clock.advance(100);
    EXPECT_EQ(controller.value(9951, clock.nowUs()), 26); // not yet committed
    write("9950", "00000002");
    clock.advance(100);
    write("9950", "00000001");
    clock.advance(100);
    const qint64 t = clock.nowUs();
    EXPECT_EQ(controller.value(9951, t), 24);
    EXPECT_EQ(controller.value(9952, t), 3);
    EXPECT_EQ(controller.value(9955, t), 7);
    EXPECT_EQ(controller.value(9956, t), 5);
    EXPECT_EQ(controller.value(9958, t), 1);
    EXPECT_EQ(controller.value(9950, t), 1);
}

TEST_F(StatusStreamTest, LifeVariablesMoveOnTheirOwn) {
    // timer 0 in tenths of a second, output 0 blinking, counter 0 counting MDI commands.
    EXPECT_EQ(controller.value(10512, 0), 0);
    EXPECT_EQ(controller.value(10512, 2'550'000), 25);
    EXPECT_EQ(controller.value(10808, 0) & 1, 0);
    EXPECT_EQ(controller.value(10808, 600'000) & 1, 1);
    openAndLink(monitorRequest("v0"));
    port.write(QByteArray("\x12%\rO9000\rN000011\rM05\r%\x14"));
    port.write(QByteArray("\x12%\rO9000\rN000011\rM09\r%\x14"));
    clock.advance(50);
    EXPECT_EQ(controller.value(10256, clock.nowUs()), 2);
}

TEST_F(StatusStreamTest, ValueWriteIsStoredAndStreamed) {
    openAndLink(monitorRequest("v1\rD10037"));
    port.write(QByteArray("\x12%\rO9012\rN10037\rD????????\r%\x14"));
    clock.advance(80);
    EXPECT_EQ(lastFrame(readAll(), 1).mid(23), QByteArray("d????????\r%\x14"));
    EXPECT_EQ(controller.value(10037, clock.nowUs()), -1);
}

TEST_F(StatusStreamTest, IntervalSpacesFrameStarts) {
    ControllerOptions o;
    o.frameIntervalMs = 50;
    SimulatedController slow(o);
    SimulatedPort p(slow, clock);
    p.open();
    p.write(kLinkReset + monitorRequest("v0"));
    clock.advance(200);
    // The request ends with byte 47, at 13.47 ms; frames start at 13.47, 63.47, 113.47 and 163.47 ms.
    EXPECT_EQ(p.inputCount(), 4 * 25);
}

} // namespace
} // namespace velmorix::sim::test
