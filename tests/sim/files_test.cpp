#include "sim_fixture.h"

namespace velmorix::sim::test {
namespace {

class FilesTest : public SimFixture {
protected:
    using SimFixture::SimFixture;
    // Linked and streaming, then the console asks for a transfer as it does: link reset first.
    QByteArray exchange(const QByteArray& request, int ms = 200) {
        openAndLink();
        clock.advance(50);
        readAll();
        port.write(request);
        clock.advance(ms);
        return readAll();
    }
    // What followed the last complete status frame.
    static QByteArray afterFrames(const QByteArray& got) {
        const qsizetype end = got.lastIndexOf("%\x14");
        return end < 0 ? got : got.mid(end + 2);
    }
};

TEST_F(FilesTest, ProgramSentAsTextComesBackUnderItsProgramNumber) {
    // 1001 announced as A1.Cnc: the controller stops streaming and answers @READ.
    QByteArray got = exchange(kLinkReset + announce("A1.Cnc", "000003>9"));
    EXPECT_EQ(afterFrames(got), QByteArray("\x14@READ(A1.Cnc)"));
    port.write(QByteArray("\x12%\rO0002\r\nG00X1\r\nM30\r\n%\x14"));
    clock.advance(100);
    EXPECT_EQ(port.inputCount(), 0); // no frames until the next monitor request
    ASSERT_EQ(controller.transfers().size(), 1);
    EXPECT_EQ(controller.transfers()[0].outcome, TransferRecord::Outcome::Stored);

    // 1002 "Program.Cnc": @WRITE with the program number, then the body.
    port.write(kLinkReset + announce("Program.Cnc", "000003>:"));
    clock.advance(100);
    EXPECT_EQ(readAll(), QByteArray("\x14@WRITE(O0002)\x12%\rO0002\rG00X1\rM30\r%\x14"));
}

TEST_F(FilesTest, HexImageIsCheckedAndThePlcProgramComesBackByteForByte) {
    const QByteArray frame = QByteArray("\x12%\rO9003\r") + kImageOf41 + "%\x14";
    EXPECT_EQ(afterFrames(exchange(kLinkReset + announce("A.Plc", "000003>="))),
              QByteArray("\x14@READ(A.Plc)"));
    port.write(frame);
    clock.advance(100);
    ASSERT_EQ(controller.transfers().size(), 1);
    EXPECT_EQ(controller.transfers()[0].outcome, TransferRecord::Outcome::Stored);
    EXPECT_EQ(controller.files().stored(1005), QByteArray("A"));

    // "U:PLC" (1017) serves it as digit lines with its length and checksum records.
    port.write(announce("PLC.Plc", "000003?9"));
    clock.advance(150);
    EXPECT_EQ(readAll(), QByteArray("\x14@WRITE(PLC.Plc)\x12%\rO9003\r"
                                    "41000000\r00000000\r00000000\r00000000\r"
                                    "::::::::\r::::::::\r4<454>3:\r00000001\r"
                                    "::::::::\r::::::::\r434;533:\r00000041\r%\x14"));
}

TEST_F(FilesTest, HexImageWithWrongChecksumIsRefusedAndShowsInTheStatusWord) {
    QByteArray bad = kImageOf41;
    bad.replace(115, 4, "0042");
    exchange(kLinkReset + announce("A.Plc", "000003>="));
    port.write(QByteArray("\x12%\rO9003\r") + bad + "%\x14");
    clock.advance(100);
    ASSERT_EQ(controller.transfers().size(), 1);
    EXPECT_EQ(controller.transfers()[0].outcome, TransferRecord::Outcome::Refused);
    EXPECT_EQ(controller.transfers()[0].reason, QStringLiteral("checksum record 66, bytes sum to 65"));
    EXPECT_TRUE(controller.files().stored(1005).isEmpty());
    port.write(kLinkReset + kMonitorXY);
    clock.advance(60);
    EXPECT_EQ(lastFrame(readAll(), 2).mid(10, 8), QByteArray("31000002"));
}

TEST_F(FilesTest, TruncatedOrMalformedImagesAreRefused) {
    struct Case {
        QByteArray image;
        QString reason;
    } cases[] = {
        {kImageOf41.left(115), "truncated image: 115 characters"},
        {QByteArray(kImageOf41).replace(0, 4, "41g0"), "malformed group at character 0"},
        {QByteArray(kImageOf41).replace(75, 4, "0011"), "length record says 17 bytes, image holds 1 lines"},
    };
    exchange(monitorRequest("v0"));
    for (const Case& c : cases) {
        port.write(kLinkReset + announce("A.Sys", "000003?2")); // 1010, "O9100"
        port.write(QByteArray("\x12%\rO9100\r") + c.image + "%\x14");
        clock.advance(200);
        ASSERT_FALSE(controller.transfers().isEmpty());
        EXPECT_EQ(controller.transfers().last().outcome, TransferRecord::Outcome::Refused);
        EXPECT_EQ(controller.transfers().last().reason, c.reason);
    }
    EXPECT_EQ(controller.transfers().size(), 3);
}

TEST_F(FilesTest, VariableBlockIsServedAsAssignmentLines) {
    controller.setValue(101, -7, 0);
    const QByteArray got = exchange(announce("VAR_0199.Var", "00000709"), 500); // 1801
    const QByteArray body = got.mid(got.indexOf("\x14@WRITE"));
    EXPECT_TRUE(body.startsWith("\x14@WRITE(VAR_0199.Var)\x12%\r#0100=0\r#0101=-7\r#0102=0\r"));
    EXPECT_TRUE(body.endsWith("#0199=0\r%\x14"));
    EXPECT_EQ(body.count('\r'), 101);
}

TEST_F(FilesTest, VariableSetSentAsTextSetsTheVariables) {
    exchange(kLinkReset + announce("Set.Var", "000003>?")); // 1007
    port.write(QByteArray("\x12%\r#0005=12\r\n#0006=-3\r\n%\x14"));
    clock.advance(100);
    EXPECT_EQ(controller.value(5, clock.nowUs()), 12);
    EXPECT_EQ(controller.value(6, clock.nowUs()), -3);
}

TEST_F(FilesTest, ParameterFileIsServedAsDigitLinesUnderItsProgramLine) {
    controller.files().store(1019, QByteArray("\x01\x23\xAB\xCD\x10", 5));
    const QByteArray got = exchange(announce("KNT_PAR.999", "000003?<")); // 1020
    EXPECT_EQ(got.mid(got.indexOf("\x14@WRITE")),
              QByteArray("\x14@WRITE(KNT_PAR.999)\x12%\rO9190\r0123:;<=\r10000000\r%\x14"));
}

TEST_F(FilesTest, BadServedChecksumRaisesTheChecksumRecord) {
    controller.files().store(1005, "A");
    controller.addFault(FaultSpec{Fault::BadServedChecksum, 0, kForever, 1, 0, false});
    QByteArray got = exchange(announce("PLC.Plc", "000003?9"));
    EXPECT_TRUE(got.contains("434;533:\r00000042\r%\x14"));
    port.write(kLinkReset + announce("PLC.Plc", "000003?9")); // only once
    clock.advance(150);
    EXPECT_TRUE(readAll().contains("434;533:\r00000041\r%\x14"));
}

TEST_F(FilesTest, SilentHandshakeLeavesTheAnnouncementUnanswered) {
    controller.addFault(FaultSpec{Fault::SilentHandshake, 0, kForever, -1, 0, false});
    const QByteArray got = exchange(announce("PLC.Plc", "000003?9"));
    EXPECT_FALSE(got.contains("@WRITE"));
    EXPECT_TRUE(controller.stream().streaming());
}

TEST_F(FilesTest, ResetSignalAndAbortMarkEndTheWaitForAFile) {
    exchange(kLinkReset + announce("A1.Cnc", "000003>9"));
    port.write(QByteArray("\x14\t\t\t\t"));
    exchange(kLinkReset + announce("A2.Cnc", "000003>9"));
    port.write(QByteArray("%\x14"));
    clock.advance(20);
    ASSERT_EQ(controller.transfers().size(), 2);
    EXPECT_EQ(controller.transfers()[0].reason, QStringLiteral("reset"));
    EXPECT_EQ(controller.transfers()[1].reason, QStringLiteral("abort mark"));
    // A block after the abort is a request again.
    port.write(QByteArray("\x12%\rO9012\rN10037\rD00000009\r%\x14"));
    clock.advance(20);
    EXPECT_EQ(controller.value(10037, clock.nowUs()), 9);
}

class DncTest : public FilesTest {
protected:
    DncTest() : FilesTest(marks()) {}
    // XOFF once lines 2 to 8 wait (seven of 7 bytes each, line 1 is running), XON once two of them are
    // left.
    static ControllerOptions marks() {
        ControllerOptions o;
        o.xoffMark = 49;
        o.xonMark = 14;
        return o;
    }
};

TEST_F(DncTest, LinesRunAtTheirRateWithXoffAtTheHighMarkAndXonAtTheLowMark) {
    // 100 ms a line.
    QByteArray got = exchange(kLinkReset + announce("D.Cnc", "000003>>"), 100);
    EXPECT_TRUE(got.contains("\x14@READ(D.Cnc)"));
    EXPECT_TRUE(got.mid(got.indexOf("@READ")).contains("\x12%\rO9000\rH00200001")); // the stream goes on
    EXPECT_FALSE(got.contains('\x13'));
    port.write(QByteArray("\x12G92X0F6000\r"));
    for (int i = 2; i <= 8; ++i)
        port.write("G01X" + QByteArray::number(i) + ".\r");
    clock.advance(30); // 56 bytes: 16 ms
    got = readAll();
    ASSERT_EQ(got.count('\x13'), 1);
    EXPECT_EQ(controller.dnc().waitingBytes(), 49);
    // Line 1 started at about 2 ms, so line 5 ends at about 502 ms: 3 waiting, XON.
    clock.advance(450);
    EXPECT_FALSE(readAll().contains('\x11'));
    clock.advance(40);
    EXPECT_EQ(readAll().count('\x11'), 1);
    // A monitor request without a link reset is answered with the next sequence meanwhile.
    port.write(monitorRequest("v0"));
    port.write(QByteArray("M30\r\x14"));
    clock.advance(60);
    EXPECT_EQ(lastFrame(readAll(), 0).mid(10, 8), QByteArray("00200002"));
    clock.advance(1000);
    EXPECT_FALSE(controller.dnc().active());
    ASSERT_EQ(controller.dnc().executed().size(), 9);
    EXPECT_EQ(controller.dnc().executed().last(), QByteArray("M30"));
    EXPECT_EQ(controller.value(12021, clock.nowUs()), 8000);
}

TEST_F(DncTest, SlowDncStretchesEachLine) {
    controller.addFault(FaultSpec{Fault::SlowDnc, 0, kForever, -1, 1000, true});
    exchange(kLinkReset + announce("D.Cnc", "000003>>"), 100);
    port.write(QByteArray("\x12G04\rG04\r"));
    clock.advance(900);
    EXPECT_EQ(controller.dnc().executed().size(), 1);
    clock.advance(200);
    EXPECT_EQ(controller.dnc().executed().size(), 2);
}

class UploadTest : public FilesTest {
protected:
    void switchTo8Bits() {
        port.write(QByteArray("\x12%\rO9012\rN10211\rD000000??\r%\x14"));
        clock.advance(1000);
        PortSettings s;
        s.parity = Parity::None;
        s.dataBits = 8;
        s.stopBits = 1;
        port.close();
        port.setSettings(s);
        port.open();
        readAll();
    }
    QByteArray answer(const QByteArray& frame) {
        port.write(frame);
        clock.advance(10);
        return readAll();
    }
};

TEST_F(UploadTest, FramesAreAckedAndTheImageStoredThenTheLineReturns) {
    exchange(monitorRequest("v0"));
    switchTo8Bits();
    EXPECT_EQ(answer(QByteArray("\x03\x20\x20", 3)), QByteArray("\xCC"));
    EXPECT_EQ(answer(QByteArray("\x0B\x35\x21\x00\x00\x00\x00\x00\x00\x00\x14", 11)), QByteArray("\xCC"));
    EXPECT_EQ(answer(QByteArray("\x0B\x48\x24\x01\x02\x03\x04\x05\x06\x07\x08", 11)), QByteArray("\xCC"));
    EXPECT_EQ(answer(QByteArray("\x0B\x88\x24\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10", 11)), QByteArray("\xCC"));
    EXPECT_EQ(answer(QByteArray("\x07\x6E\x24\x11\x12\x13\x14", 7)), QByteArray("\xCC"));
    EXPECT_EQ(
        controller.armImage(),
        QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12\x13\x14", 20));
    EXPECT_FALSE(controller.uploading());
    EXPECT_EQ(controller.log().lineChanges().mid(2), (QStringList{"line 38400,N,8,1", "line 38400,E,7,2"}));
    // Back on the normal settings the console links again.
    port.close();
    port.setSettings(PortSettings{});
    port.open();
    port.write(kLinkReset + monitorRequest("v0"));
    clock.advance(50);
    EXPECT_EQ(lastFrame(readAll(), 0), QByteArray("\x12%\rO9000\rH00000003\rv000%\x14"));
}

TEST_F(UploadTest, BadChecksumOrScriptedRefusalEndsTheUpload) {
    exchange(monitorRequest("v0"));
    switchTo8Bits();
    EXPECT_EQ(answer(QByteArray("\x03\x21\x20", 3)), QByteArray("\x15"));
    EXPECT_FALSE(controller.uploading());
    EXPECT_EQ(controller.transfers().last().reason,
              QStringLiteral("frame 0: checksum byte 33, bytes sum to 32"));

    controller.addFault(FaultSpec{Fault::RefuseArmFrame, 0, kForever, -1, 1, true});
    port.close();
    port.setSettings(PortSettings{});
    port.open();
    switchTo8Bits();
    EXPECT_EQ(answer(QByteArray("\x03\x20\x20", 3)), QByteArray("\xCC"));
    EXPECT_EQ(answer(QByteArray("\x0B\x35\x21\x00\x00\x00\x00\x00\x00\x00\x14", 11)), QByteArray("\x15"));
    EXPECT_FALSE(controller.uploading());
}

TEST_F(UploadTest, StalledUploadReturnsToTheNormalLine) {
    exchange(monitorRequest("v0"));
    switchTo8Bits();
    EXPECT_EQ(answer(QByteArray("\x03\x20\x20", 3)), QByteArray("\xCC"));
    clock.advance(2900);
    EXPECT_TRUE(controller.uploading());
    clock.advance(200);
    EXPECT_FALSE(controller.uploading());
    EXPECT_EQ(controller.transfers().last().reason, QStringLiteral("stalled"));
}

} // namespace
} // namespace velmorix::sim::test
