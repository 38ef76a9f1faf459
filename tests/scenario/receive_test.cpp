// Receiving files from the virtual controller, listing them and saving them byte-exact.
#include "sim_console_fixture.h"

#include <QFile>
#include <unistd.h>

using namespace velmorix;
using namespace velmorix::test;

namespace {

class Receiving : public SimConsoleTest {
protected:
    void SetUp() override {
        start();
        tick(5);
        console.ButtonFileSvcClick();
        tick(3);
    }
    const FilePageView& page() const { return console.filePage().view(); }
    void send(int type, const QString& name, const QByteArray& bytes) {
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
        load(type, name, bytes);
        console.ButtonSendOutClick();
        runUntilIdle();
        tick(35); // the flash step's pause
    }
    void receive(int item) {
        console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
        console.ComboBoxRecvFileChange(item);
        console.ButtonRecvInClick();
        runUntilIdle();
    }
};

} // namespace

TEST_F(Receiving, AProgramSentComesBackListedAndSavesAsItsLinesWithCrLf) {
    send(0, "in/A7.Cnc", "%\r\nO0007\r\nG00 X1 ;rapid\r\nM30\r\n%\r\n");
    receive(0);
    EXPECT_EQ(page().LabelFileName, "% CNC\\ WRITE(O0007) %");
    EXPECT_EQ(keyIn(), "; .. Done .. ;");
    EXPECT_EQ(page().LabelFileSize, "5");
    ASSERT_EQ(page().listLines.size(), 5);
    EXPECT_EQ(page().listLines[1], ";[000002]  O0007");
    EXPECT_EQ(save("back.Cnc"), "%\r\nO0007\r\nG00 X1\r\nM30\r\n%\r\n");
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_EQ(prompts.saveRequests[0].proposedName, "O0007");
    EXPECT_EQ(prompts.saveRequests[0].defaultSuffix, "Cnc");
    EXPECT_EQ(page().LabelFileName, QDir::toNativeSeparators(dir.file("back.Cnc")));
    // The save dialog keeps a folder of its own: not that of the last file opened.
    EXPECT_EQ(QDir(prompts.saveRequests[0].initialDir), QDir(dir.path()));
    dir.write("out/old", "");
    save("out/again.Cnc");
    save("again2.Cnc");
    EXPECT_EQ(QDir(prompts.saveRequests[2].initialDir), QDir(dir.file("out")));
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    console.ButtonOpenFileClick(); // cancelled
    EXPECT_EQ(QDir(prompts.openRequests.back().initialDir), QDir(dir.file("in")));
    // The controls are the operator's again, and the live display subscribed afresh.
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_EQ(state().block.PollBlockStart, -1);
}

TEST_F(Receiving, HexFilesSaveTheBytesTheControllerServesInWholeLinesOfFour) {
    const QByteArray par = bytesOf(101, 7);
    const QByteArray ptn = bytesOf(256, 13);
    send(11, "P.999", par); // taken as B:999, served as S:999 without a length record
    send(10, "P.Cyf", ptn); // taken as A:CYF, served as T:CYF
    receive(22);
    EXPECT_EQ(save("par.999"), par + QByteArray(3, '\0'));
    EXPECT_EQ(prompts.saveRequests.back().filter, "S:999 *.999 (*.999)");
    receive(23);
    EXPECT_EQ(save("ptn.Cyf"), ptn);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join(u'|').toStdString();
}

TEST_F(Receiving, APlcProgramSavesExactlyItsLengthAlsoWhenItEndsInTheRecordsFillByte) {
    ConsoleSeam(console).files().addServiceReceiveTypes();
    ASSERT_EQ(page().recvItems.last(), "U:PLC");
    // Eight 0xAA of its own, and a last byte 0xAA on a 16-byte boundary that runs on into the length
    // record's; every other shape of it is tests/files' (received_file_test.cpp).
    const QByteArray program = "PLC!" + QByteArray(8, char(0xAA)) + bytesOf(995, 5) + char(0xAA);
    ASSERT_EQ(program.size() % 16, 0);
    send(3, "P.Plc", program);
    receive(24);
    EXPECT_EQ(page().listLines.mid(page().listLines.size() - 2),
              (QList<QByteArray>{"......", "...Finished..."}));
    EXPECT_GT(console.receiver().ListBoxTSK().size(), program.size() / 4);
    EXPECT_EQ(save("back.Plc"), program);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Receiving, ASaveThatCannotBeWrittenSaysWhyAndLeavesTheOldFile) {
    receive(4); // "A:Var-0199"
    ASSERT_FALSE(page().listLines.isEmpty());
    QString target = dir.file("locked/VAR_0199.Var");
    QByteArray before = "the good old file";
    if (::geteuid() == 0) {
        target = QStringLiteral("/proc/version"); // even root cannot put a file beside this one
        QFile f(target);
        f.open(QIODevice::ReadOnly);
        before = f.readAll();
    } else {
        dir.write("locked/VAR_0199.Var", before);
        QFile::setPermissions(dir.file("locked"), QFile::ReadOwner | QFile::ExeOwner);
    }
    prompts.saveAnswers.push_back(target);
    console.ButtonSaveFileClick();
    EXPECT_EQ(prompts.saveRequests.back().filter, "A:Var *.Var;*.Ncd (*.Var *.Ncd)");
    EXPECT_EQ(prompts.saveRequests.back().defaultSuffix, "Var");
    EXPECT_EQ(prompts.saveRequests.back().proposedName, "VAR_0199.Var");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].startsWith("Cannot save")) << prompts.messages[0].toStdString();
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QFile::setPermissions(dir.file("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(Receiving, DsrLossEndsAReceiveInTheMiddleOfItsBody) {
    // The body arrives slowly enough to be caught in the middle.
    controller.addFault({.kind = sim::Fault::DropDsr, .fromUs = nowUs() + 300000});
    console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
    console.ComboBoxRecvFileChange(13); // a thousand variables: a long body
    console.ButtonRecvInClick();
    tick(2);
    ASSERT_TRUE(console.transfer().RecvBody());
    tick(15);
    EXPECT_EQ(keyIn(), "; .. DSR Off --> Break .. ;");
    EXPECT_FALSE(console.transfer().active());
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
}
