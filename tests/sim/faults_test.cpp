#include "sim_fixture.h"

namespace velmorix::sim::test {
namespace {

const QByteArray kFrameXY = QByteArray("\x12%\rO9000\rH00000001\rv002") + kXY + "%\x14";

class FaultsTest : public SimFixture {
protected:
    QByteArray streamFor(int ms, const FaultSpec& fault) {
        controller.addFault(fault);
        openAndLink();
        clock.advance(ms);
        return readAll();
    }
};

TEST_F(FaultsTest, NoiseGoesBetweenFramesOnly) {
    const QByteArray got = streamFor(100, FaultSpec{Fault::NoiseBetweenFrames, 0, kForever, -1, 3, true});
    const qsizetype first = got.indexOf(kFrameXY);
    ASSERT_EQ(first, 3);
    EXPECT_EQ(got.indexOf(kFrameXY, first + 1), first + 45 + 3);
}

TEST_F(FaultsTest, TruncatedFrameEndsHalfWayWithoutItsDc4) {
    const QByteArray got = streamFor(100, FaultSpec{Fault::TruncatedFrame, 0, kForever, 1, 0, false});
    EXPECT_EQ(got.left(22 + 45), kFrameXY.left(22) + kFrameXY);
}

TEST_F(FaultsTest, WrongLengthFrameCarriesOneByteTooMany) {
    const QByteArray got = streamFor(100, FaultSpec{Fault::WrongLengthFrame, 0, kForever, 1, 0, false});
    EXPECT_EQ(got.left(46 + 45), QByteArray(kFrameXY).insert(43, '\r') + kFrameXY);
}

TEST_F(FaultsTest, StaleSequenceRepeatsTheSequenceOfTheRequestBefore) {
    const QByteArray got = streamFor(100, FaultSpec{Fault::StaleSequence, 0, kForever, 2, 0, false});
    EXPECT_EQ(got.mid(10, 8), QByteArray("00000000"));
    EXPECT_EQ(got.mid(55, 8), QByteArray("00000000"));
    EXPECT_EQ(got.mid(100, 8), QByteArray("00000001"));
}

TEST_F(FaultsTest, ErrorNumberShowsInTheStatusWordDuringItsWindow) {
    QByteArray got = streamFor(60, FaultSpec{Fault::ErrorNumber, 0, 60'000, -1, 12, true});
    EXPECT_EQ(lastFrame(got, 2).mid(10, 8), QByteArray("12000001"));
    clock.advance(60);
    EXPECT_EQ(lastFrame(readAll(), 2).mid(10, 8), QByteArray("00000001"));
}

TEST_F(FaultsTest, XoffStormSendsXoffsThenOneXonAtItsEnd) {
    const QByteArray got = streamFor(100, FaultSpec{Fault::XoffStorm, 0, 50'000, -1, 3, true});
    EXPECT_TRUE(got.startsWith(QByteArray("\x13\x13\x13\x13") + kFrameXY + "\x13" + kFrameXY));
    EXPECT_EQ(got.count('\x11'), 1);
    EXPECT_LT(got.indexOf('\x11'), got.lastIndexOf('\x13') + 200); // right after the window
    EXPECT_GT(got.indexOf('\x11'), got.lastIndexOf('\x13'));
}

TEST(FaultSpecText, ParsesNameValueWindowAndCount) {
    auto f = parseFault("DropDsr@5000+2000");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, Fault::DropDsr);
    EXPECT_EQ(f->fromUs, 5'000'000);
    EXPECT_EQ(f->untilUs, 7'000'000);
    f = parseFault("errornumber=12");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, Fault::ErrorNumber);
    EXPECT_EQ(f->value, 12);
    EXPECT_EQ(f->untilUs, kForever);
    f = parseFault("TruncatedFrame@1000x3");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->count, 3);
    QString why;
    EXPECT_FALSE(parseFault("Nope", &why));
    EXPECT_EQ(why, QStringLiteral("unknown fault: Nope"));
    EXPECT_FALSE(parseFault("DropDsr@x", &why));
}

} // namespace
} // namespace velmorix::sim::test
