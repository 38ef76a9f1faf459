#include "core/base/message_line.h"
#include "core/files/handshakes.h"
#include "core/poll/status_decoder.h"
#include "core/poll/status_texts.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace velmorix;

namespace {

// A status frame for N items, from literal pieces: DC2, 8 filler, "H", status digits, 5 filler,
// then per item "d", 8 digits, a separator; "%", DC4.
QByteArray frame(const QByteArray& status, const QList<QByteArray>& items) {
    QByteArray f = "\x12"
                   "abcdefgh"
                   "H" +
                   status + "     ";
    for (const QByteArray& item : items)
        f += "d" + item + ",";
    return f + "%\x14";
}

QList<QByteArray> fourteenItems() {
    return {"00003039", "0000162>", "????????", "00000000", "00000000", "00000000", "00000000",
            "00000000", "00000000", "53494=31", "30303031", "000007>:", "000004;8", "000004<2"};
}

void put(StatusRing& ring, int at, const QByteArray& bytes) {
    for (qsizetype i = 0; i < bytes.size(); ++i)
        ring.bytes[(at + i) & StatusRing::kMask] = static_cast<unsigned char>(bytes[i]);
    ring.wrote(at, static_cast<int>(bytes.size()));
    ring.RingWrite = (at + static_cast<int>(bytes.size())) & StatusRing::kMask;
}

} // namespace

TEST(FrameFinder, TakesTheNewestCompleteFrameAndSkipsWrongLengths) {
    StatusRing ring;
    const QByteArray f = frame("00000003", fourteenItems());
    QByteArray stream = f + f;
    put(ring, 0, stream);
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, 165);

    // One byte short and one byte long: the previous frame stays.
    QByteArray shortFrame = f;
    shortFrame.remove(20, 1);
    QByteArray longFrame = f;
    longFrame.insert(20, 'x');
    put(ring, ring.RingWrite, shortFrame + longFrame);
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, 165);

    // A complete frame after noise is found; a half frame is not, until its DC4 arrives.
    put(ring, ring.RingWrite, "noise" + f + f.left(100));
    const int halfStart = ring.RingWrite - 100;
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, halfStart - 165);
    put(ring, ring.RingWrite, f.mid(100));
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, halfStart);
}

TEST(FrameFinder, AfterMoreThanARingWithoutAFrameTheNextIsFoundAndTheOverwrittenOneIsGone) {
    StatusRing ring;
    const QByteArray f = frame("00000003", fourteenItems());
    put(ring, 0, f);
    findFrame(ring, 14);
    ASSERT_EQ(ring.FrameStart, 0);
    // Noise up to 42 bytes before the ring's end, then a frame that runs over the old one.
    put(ring, ring.RingWrite, QByteArray(8192 - 42 - 165, '.'));
    findFrame(ring, 14);
    put(ring, ring.RingWrite, f);
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, 8192 - 42);
    // A ring of noise over it: no frame is left to decode.
    put(ring, ring.RingWrite, QByteArray(4000, '.'));
    put(ring, ring.RingWrite, QByteArray(4192, '.'));
    findFrame(ring, 14);
    EXPECT_EQ(ring.FrameStart, -1);
}

TEST(FrameFinder, ALaterDc2ReplacesTheCandidate) {
    const int n = 0; // frames of 25 bytes: DC4 24 positions after DC2
    StatusRing ring;
    // DC2, a second DC2 three bytes on, DC4 24 after the second: the second is taken.
    put(ring, 0, QByteArray("\x12..\x12") + QByteArray(23, '.') + "\x14");
    findFrame(ring, n);
    EXPECT_EQ(ring.FrameStart, 3);
    // DC4 at the right distance only from the first DC2: nothing.
    StatusRing other;
    put(other, 0, QByteArray("\x12..\x12") + QByteArray(20, '.') + "\x14");
    findFrame(other, n);
    EXPECT_EQ(other.FrameStart, -1);
}

namespace {

class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() : decoder(state, message, errors) {
        errors = QStringList(100);
        errors[12] = "Spindle alarm";
        errors[7] = "Tool";
    }
    void decode(const QByteArray& f, int n = 14) {
        StatusRing ring;
        put(ring, 0, f);
        findFrame(ring, n);
        decoder.decode(ring, n);
    }
    ConsoleState state;
    MessageLine message;
    QStringList errors;
    StatusDecoder decoder;
};

} // namespace

TEST_F(DecoderTest, DecodesAxesTypeVersionAndTheCommandState) {
    decode(frame("00000003", fourteenItems()));
    EXPECT_EQ(state.status.axes[0], "   12,345");
    EXPECT_EQ(state.status.axes[1], "    5,678");
    EXPECT_EQ(state.status.axes[2], "   -0,001");
    EXPECT_EQ(state.status.axes[3], "    0,000");
    EXPECT_EQ(state.status.LabelType, "SIM1-0001");
    EXPECT_EQ(state.status.LabelTime, "2026-1208");
    EXPECT_EQ(state.status.LabelCommandState, "0000-0003");
    EXPECT_EQ(state.live.PollValues[14], 0x000004C2);
    EXPECT_EQ(state.live.PollHexTexts[14], "0000-04C2");
    EXPECT_EQ(state.live.PollValueTexts[0], "1218");
}

TEST_F(DecoderTest, ResyncAdoptsTheControllerSequenceForThreeDecodes) {
    const QByteArray f = frame("00000006", fourteenItems());
    decode(f);
    decode(f);
    EXPECT_TRUE(state.seq.Resyncing());
    decode(f);
    EXPECT_FALSE(state.seq.Resyncing());
    EXPECT_EQ(state.seq.RequestSeq, 6);
    EXPECT_EQ(state.seq.ResyncCount, 0);
}

TEST_F(DecoderTest, StaleSequenceChangesOnlyTheCommandState) {
    for (int i = 0; i < SequenceState::kAdoptions; ++i) // checking, no longer adopting
        state.seq.adopted(state.seq.RequestSeq);
    state.seq.RequestSeq = 3;
    decode(frame("00000003", fourteenItems()));
    EXPECT_TRUE(state.seq.FrameValid);
    QList<QByteArray> changed = fourteenItems();
    changed[0] = "00000001";
    changed[13] = "00000009";
    state.seq.RequestSeq = 4;
    decode(frame("00000013", changed));
    EXPECT_FALSE(state.seq.FrameValid);
    EXPECT_EQ(state.status.LabelCommandState, "0000-0013");
    EXPECT_EQ(state.status.axes[0], "   12,345");
    EXPECT_EQ(state.live.PollValues[14], 0x4C2);
}

TEST_F(DecoderTest, ErrorNumberIsWrittenOnceWhileItStays) {
    message.typed("typed");
    decode(frame("00000000", fourteenItems()));
    EXPECT_EQ(message.text(), "typed"); // 0 at start changes nothing
    decode(frame("12000000", fourteenItems()));
    EXPECT_EQ(message.text(), ";Er12: Spindle alarm");
    message.typed("overwritten");
    decode(frame("12000000", fourteenItems()));
    EXPECT_EQ(message.text(), "overwritten");
    decode(frame("00000000", fourteenItems()));
    EXPECT_EQ(message.text(), "");
    decode(frame(":2000000", fourteenItems())); // 172: ignored
    EXPECT_EQ(message.text(), "");
    EXPECT_EQ(state.live.LastErrorNumber, 0);
}

TEST_F(DecoderTest, FrameWithoutHOrWithABadCheckByteStopsWhereItMust) {
    QByteArray noH = frame("00000003", fourteenItems());
    noH[9] = 'X';
    decode(noH);
    EXPECT_EQ(state.status.LabelCommandState, "----_----");
    EXPECT_EQ(state.status.axes[0], "----,---");

    QByteArray badCheck = frame("00000003", fourteenItems());
    badCheck[23 + 10 * 2] = 'x'; // check byte of item 2
    decode(badCheck);
    EXPECT_EQ(state.status.axes[0], "   12,345");
    EXPECT_EQ(state.status.axes[1], "----,---");
}

TEST_F(DecoderTest, TheLargestListDecodesUpToItsLastItemTheSerialNumber) {
    QList<QByteArray> items = fourteenItems();
    for (int i = 14; i < 46; ++i)
        items << "0000000" + QByteArray::number(i % 10);
    items[45] = "0000;>?5"; // serial number item
    decode(frame("00000001", items), 46);
    EXPECT_EQ(state.live.PollValues[46], 0xBEF5);
    EXPECT_EQ(state.live.PollValueTexts[32], "48 885");
}

TEST(StatusTexts, AxisValuesUseACommaAndDashesWhenTooWide) {
    EXPECT_EQ(axisText(12345), "   12,345");
    EXPECT_EQ(axisText(0), "    0,000");
    EXPECT_EQ(axisText(-1), "   -0,001");
    EXPECT_EQ(axisText(-5000), "   -5,000");
    EXPECT_EQ(axisText(99999999), "99999,999");
    EXPECT_EQ(axisText(-9999999), "-9999,999");
    EXPECT_EQ(axisText(100000000), "----,---");
    EXPECT_EQ(axisText(-10000000), "----,---");
}

TEST(StatusTexts, GroupedValuesRateAndSerial) {
    EXPECT_EQ(groupedValueText(1234), "1234");
    EXPECT_EQ(groupedValueText(12345), "12 345");
    EXPECT_EQ(groupedValueText(-1234), "-1 234");
    EXPECT_EQ(groupedValueText(-1), "-1");
    EXPECT_EQ(groupedValueText(123456789), "--------");
    EXPECT_EQ(cpsText(999 * 1000 / 400), "Cps=02497");
    EXPECT_EQ(cpsText(100000), "Cps=----");
    EXPECT_EQ(serialText(1234), "SN-0001234");
}

TEST(Handshakes, WriteAnnouncementNamesTheFileAtOnceAndTheBodyFromTheDc2AfterIt) {
    // A status frame before the announcement is never taken for the body.
    QByteArray text = "\x12"
                      "frame\x14@WRITE(O0001)";
    auto found = detectWriteAnnouncement(text);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->name, "O0001");
    EXPECT_FALSE(found->body);
    text += "\r\n\x12%\rO0001\r";
    found = detectWriteAnnouncement(text);
    ASSERT_TRUE(found && found->body);
    EXPECT_EQ(*found->body, "\x12%\rO0001\r");
    EXPECT_FALSE(detectWriteAnnouncement("\x12%\rO0001\r%\x14"));
    EXPECT_EQ(detectWriteAnnouncement("\x14@WRITE(O1")->name, ""); // no ")" yet
}

TEST(Handshakes, ReadAcknowledgementNeedsItsClosingParenthesis) {
    EXPECT_FALSE(detectReadAcknowledgement("xx\x14@READ(A1.Cn"));
    EXPECT_TRUE(detectReadAcknowledgement("xx\x14@READ(A1.Cnc)"));
    EXPECT_FALSE(detectReadAcknowledgement("xx@READ(A1.Cnc)")); // the DC4 belongs to it
}
