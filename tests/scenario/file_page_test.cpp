#include "sim_console_fixture.h"

#include <QFile>

using namespace velmorix;
using namespace velmorix::test;

namespace {

class FileService : public SimConsoleTest {
protected:
    void SetUp() override {
        start();
        tick(5);
        console.ButtonFileSvcClick();
        tick(3);
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    const FilePageView& page() const { return console.filePage().view(); }
    void open(int type, const QString& relative) {
        console.ComboBoxSendFileChange(type);
        prompts.openAnswers.push_back(dir.file(relative));
        console.ButtonOpenFileClick();
    }
    // Lets the load run its slices.
    void settle() { clock.advance(1); }
};

} // namespace

// Which controls a row enables, and that the other row empties the list, is tests/gui's.
TEST_F(FileService, ATypeChangeDiscardsTheLoadedFileButChoosingItsRowAgainDoesNot) {
    dir.write("a.Cnc", "G00\r\n");
    open(0, "a.Cnc");
    settle();
    EXPECT_EQ(page().listLines.size(), 1);
    console.GroupBoxOperateMouseDown(FilePage::Row::Send); // already selected: only the gauge
    EXPECT_EQ(page().listLines.size(), 1);
    console.ComboBoxSendFileChange(2);
    EXPECT_TRUE(page().listLines.isEmpty());
    EXPECT_EQ(page().LabelFileName, "File Name");
    EXPECT_EQ(page().LabelFileSize, "File Size");
    EXPECT_EQ(page().LabelFileTime, "File Date");
}

// The list's lines themselves are the packer's (tests/files); here the page around them.
TEST_F(FileService, AHexFileIsPackedInSlicesWithThePageLockedThenListedWithItsLabels) {
    QByteArray bytes(65537, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i & 0xFF);
    dir.write("big.Plc", bytes);
    open(3, "big.Plc");
    EXPECT_FALSE(state().view.controls.ButtonPlcBit); // locked while packing
    settle();
    ASSERT_EQ(page().listLines.size(), 4096 + 4);
    EXPECT_EQ(page().LabelFileSize, "65537");
    EXPECT_EQ(page().LabelFileName, QDir::toNativeSeparators(dir.file("big.Plc")));
    EXPECT_NE(page().LabelFileTime, "File Date");
    EXPECT_TRUE(state().view.controls.ButtonPlcBit); // released
    EXPECT_EQ(console.filePage().TransferImage().size(), 40 * (4097 + 2));
}

TEST_F(FileService, BreakStopsATextLoadAtOnce) {
    QByteArray text;
    while (text.size() < 3 * 1024 * 1024)
        text += "G01 X1 Y2 Z3 ;a comment\r\n";
    dir.write("huge.Cnc", text);
    open(0, "huge.Cnc");
    EXPECT_EQ(page().openFileCaption(), "Break");
    EXPECT_FALSE(state().view.controls.ButtonPlcBit);
    EXPECT_TRUE(state().view.controls.GroupBoxOperate);
    clock.advanceUs(2); // two slices
    EXPECT_GT(page().gaugePosition, 0);
    EXPECT_LT(page().gaugePosition, page().gaugeMax);
    console.ButtonOpenFileClick(); // "Break"
    settle();
    EXPECT_TRUE(page().listLines.isEmpty());
    EXPECT_EQ(page().gaugePosition, 0);
    EXPECT_EQ(page().openFileCaption(), "OpenFile");
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_FALSE(console.filePage().LoadCancelRequested);
}

TEST_F(FileService, UnreadableFileIsReportedAndThePageReturnsToIdle) {
    open(0, "missing.Cnc");
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains("missing.Cnc"));
    EXPECT_EQ(page().openFileCaption(), "OpenFile");
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_TRUE(page().listLines.isEmpty());
    open(3, "missing.Plc");
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
}

TEST_F(FileService, EmptyTextFileShowsZeroAndCannotBeSent) {
    dir.write("empty.Cnc", "");
    open(0, "empty.Cnc");
    settle();
    EXPECT_EQ(page().LabelFileSize, "0");
    EXPECT_EQ(page().openFileCaption(), "OpenFile");
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_FALSE(page().ButtonSendOutEnabled);
    EXPECT_TRUE(page().listLines.isEmpty());
}

TEST_F(FileService, RawFileIsListedByItsPath) {
    dir.write("fw.Bin", QByteArray(20, '\x5A'));
    open(12, "fw.Bin");
    ASSERT_EQ(page().listLines.size(), 1);
    EXPECT_EQ(page().listLines[0], QDir::toNativeSeparators(dir.file("fw.Bin")).toLocal8Bit());
    EXPECT_EQ(page().LabelFileSize, "20");
    EXPECT_EQ(console.filePage().ArmImage(), QByteArray(20, '\x5A'));
}

TEST_F(FileService, ACancelledOpenDialogKeepsTheLoadedFile) {
    dir.write("a.Cnc", "G00\r\n");
    open(0, "a.Cnc");
    settle();
    prompts.openAnswers.push_back(std::nullopt);
    console.ButtonOpenFileClick();
    settle();
    EXPECT_EQ(page().listLines.size(), 1);
    EXPECT_EQ(page().LabelFileName, QDir::toNativeSeparators(dir.file("a.Cnc")));
    EXPECT_EQ(page().openFileCaption(), "OpenFile");
}
