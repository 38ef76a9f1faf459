// The line clock: a port that always reports an empty output queue (a pseudo-terminal, a USB adapter's
// FIFO, a network device server) must still be paced by the time the bytes take on the line.
#include "console_fixture.h"
#include "core/link/line_clock.h"

#include <cmath>

using namespace velmorix;
using namespace velmorix::test;

namespace {

struct Line {
    const char* setupCode;
    double charUs; // (1 + data + parity + stop) bits at the baud rate
};

class LineClockGate : public ConsoleTest, public ::testing::WithParamInterface<Line> {
protected:
    void SetUp() override {
        start({GetParam().setupCode, "GO"});
        console->ButtonFileSvcClick();
        clock.advance(300);
        console->GroupBoxOperateMouseDown(FilePage::Row::Send);
        ASSERT_EQ(port->pendingOutput, 0); // the port never says it holds anything
    }
    // Steps the clock by 100 µs until `writes` file writes have happened; their times.
    QList<qint64> writeTimes(qsizetype writes) {
        QList<qint64> times;
        for (int step = 0; step < 400000 && times.size() < writes; ++step) {
            const qsizetype before = fileWrites().size();
            clock.advanceUs(100);
            if (fileWrites().size() > before)
                times << clock.nowUs();
        }
        return times;
    }
};

TEST_P(LineClockGate, DncLinesAndChunksWaitExactlyAsLongAsTheLineNeeds) {
    const double charUs = GetParam().charUs;
    // Each line goes out only when the one before has crossed: 1 DC2 + 9 + CR, then 9 + CR.
    load(13, "G01 X1.25\r\nG01 X2.50\r\nG01 X3.75\r\n");
    sendAndAcknowledge();
    const QList<qint64> times = writeTimes(3);
    ASSERT_EQ(times.size(), 3);
    for (int i = 1; i < 3; ++i) {
        const double lineUs = (i == 1 ? 11 : 10) * charUs;
        const qint64 gap = times[i] - times[i - 1];
        EXPECT_GE(gap, lineUs) << "line " << i + 1 << " went out before line " << i << " had crossed";
        EXPECT_LT(gap, lineUs + 1100) << "the feed waited longer than the line and one pump tick";
    }
    clock.advance(3200); // the send's end and its pause

    // A frame: 512, then the next 512 once no more than 256 are still in flight.
    load(0, QByteArray(1200, 'G'));
    sendAndAcknowledge();
    const QList<qint64> chunks = writeTimes(3);
    ASSERT_EQ(chunks.size(), 3);
    EXPECT_GE(chunks[1] - chunks[0], 256 * charUs);
    EXPECT_LT(chunks[1] - chunks[0], 256 * charUs + 1100);
    // The pump looks once a millisecond, so it finds a little less than 256 in flight at its tick.
    EXPECT_GE(chunks[2] - chunks[1], 512 * charUs - 1000);
    EXPECT_LT(chunks[2] - chunks[1], 512 * charUs + 1100);
    // "Sended" only once the last byte has crossed: 178 written onto the (up to) 256 still in flight.
    const qint64 crossedUs = chunks[2] + static_cast<qint64>(434 * charUs);
    while (clock.nowUs() < crossedUs - 1200) {
        clock.advanceUs(100);
        ASSERT_NE(keyIn(), "; .. Sended .. @ ;") << "said sent " << crossedUs - clock.nowUs() << " µs early";
    }
    clock.advanceUs(crossedUs + 2000 - clock.nowUs());
    EXPECT_EQ(keyIn(), "; .. Sended .. @ ;");
}

// Eleven bits a character (7E2) and ten (8N1); another rate with the same bits is the same sum.
INSTANTIATE_TEST_SUITE_P(Rates, LineClockGate,
                         ::testing::Values(Line{"142720", 11e6 / 38400}, Line{"160810", 10e6 / 115200}),
                         [](const auto& p) { return std::string("setup_") + p.param.setupCode; });

TEST(LineClock, CtsOffHoldsTheLineAndALargerDriverCountIsBelieved) {
    LineClock c;
    PortSettings s; // 38400 7E2, hardware flow control
    c.setSettings(s);
    c.reset(0);
    c.wrote(100, 0);
    // The moment `chars` characters have crossed.
    const auto at = [](int chars) { return static_cast<qint64>(std::ceil(chars * 11e6 / 38400)); };
    EXPECT_EQ(c.inFlight(at(50), 0), 50);
    c.setCts(false, at(50));
    EXPECT_EQ(c.inFlight(at(500), 0), 50); // nothing crosses while held
    c.setCts(true, at(500));
    EXPECT_EQ(c.inFlight(at(540), 0), 10);
    EXPECT_EQ(c.inFlight(at(551), 0), 0);
    // The driver holds what the model thought gone: those bytes still need their time.
    EXPECT_EQ(c.inFlight(at(600), 30), 30);
    EXPECT_EQ(c.inFlight(at(620), 0), 10);
}

} // namespace
