#include "sim_console_fixture.h"

#include <QRegularExpression>

using namespace velmorix;
using namespace velmorix::test;

namespace {

class MonitorPages : public SimConsoleTest {
protected:
    void SetUp() override {
        start();
        tick(10);
    }
    // The variables of every monitor request the controller received so far, request by request.
    QList<QList<int>> requests() const {
        QList<QList<int>> out;
        const QByteArray rx = received();
        qsizetype at = 0;
        while ((at = rx.indexOf("O9000\rN0\rv", at)) >= 0) {
            const qsizetype end = rx.indexOf("\r%\x14", at);
            QList<int> list;
            for (const QByteArray& line : rx.mid(at, end - at).split('\r'))
                if (line.startsWith('D'))
                    list << line.mid(1).toInt();
            out << list;
            at = end;
        }
        return out;
    }
    // The block of the last request: what follows the 13 fixed items, without the serial number.
    QList<int> lastBlock() const {
        const QList<int> last = requests().last();
        return last.mid(13, last.size() - 14);
    }
    static QList<int> range(int first, int count) {
        QList<int> r;
        for (int i = 0; i < count; ++i)
            r << first + i;
        return r;
    }
};

} // namespace

TEST_F(MonitorPages, EveryPageAndSelectorSubscribesToExactlyItsBlock) {
    EXPECT_EQ(lastBlock(), range(10800, 8));
    struct Step {
        std::function<void()> click;
        QList<int> block;
    };
    const QList<Step> steps = {
        {[&] { console.ButtonPlcRCTClick(); }, range(10000, 32)},
        {[&] { console.BtnPlcRct032Click(96); }, range(10096, 32)},
        {[&] { console.RctKindClick(3); }, range(10512, 32)},
        {[&] { console.ButtonVarUserClick(); }, range(0, 20)},
        {[&] { console.ComboBox1000Change(2, 3, 4); }, range(2340, 20)},
        {[&] { console.ButtonVarSysClick(); }, range(10000, 20)},
        {[&] { console.ButtonCNCInfoClick(); }, range(10900, 10)},
        {[&] { console.ButtonPageDownClick(); }, range(10910, 10)},
        {[&] { console.ButtonMCMDataClick(); }, range(11000, 10)},
        {[&] { console.ButtonPlcBitClick(); }, range(10800, 8)},
        {[&] { console.BitGroupClick(5); }, range(10840, 8)},
        {[&] { console.BitGroupClick(8); }, range(10864, 8)},
    };
    for (const Step& s : steps) {
        s.click();
        tick(4); // the next tick sends; a 46-item request takes about 110 ms on the line
        EXPECT_EQ(lastBlock(), s.block);
    }
    // The same block again sends nothing.
    const auto count = requests().size();
    console.BitGroupClick(8);
    console.ButtonHelpClick(); // the help page keeps the block reported
    tick(3);
    EXPECT_EQ(requests().size(), count);
}

TEST_F(MonitorPages, WritingARegisterThroughTheDialogComesBackInItsRow) {
    console.ButtonPlcRCTClick();
    console.BtnPlcRct032Click(32);
    tick(5);
    prompts.valueAnswers.push_back(4321);
    console.StaticTextPlcRct0_10Click(5);
    ASSERT_EQ(prompts.valueRequests.size(), 1u);
    EXPECT_EQ(prompts.valueRequests[0].label, "(R037)");
    EXPECT_EQ(prompts.valueRequests[0].anchor, (ValueField{ValueField::Kind::PlcRct, 5}));
    tick(5);
    EXPECT_TRUE(received().contains("\x12%\rO9012\rN10037\rD000010>1\r%\x14"));
    EXPECT_EQ(controller.value(10037, nowUs()), 4321);
    EXPECT_EQ(console.pages().rct().values[5], "4321");
    EXPECT_EQ(console.pages().rct().hexes[5], "0000-10E1");
}

TEST_F(MonitorPages, ClosingTheDialogWithoutEnterWritesNothing) {
    console.ButtonVarUserClick();
    tick(3);
    const qsizetype before = received().size();
    prompts.valueAnswers.push_back(std::nullopt);
    console.StaticTextVar0_10Click(3);
    tick(3);
    EXPECT_FALSE(received().mid(before).contains("O9012"));
    prompts.valueAnswers.push_back(0); // Enter on an empty edit
    console.StaticTextVar0_10Click(19);
    tick(1);
    EXPECT_TRUE(received().mid(before).contains("\x12%\rO9012\rN19\rD00000000\r%\x14"));
}

TEST_F(MonitorPages, PageDownFromTheLastTenOfTheSystemRangeWrapsToTheFirst) {
    console.ButtonVarSysClick();
    EXPECT_EQ(console.pages().var().thousands, QStringList({"10000", "11000", "12000", "13000"}));
    console.ComboBox1000Change(3, 9, 9);
    EXPECT_EQ(console.pages().var().numbers[0], "(13,990)");
    console.ButtonPageDownClick();
    EXPECT_EQ(console.pages().var().numbers[0], "(10,000)");
    tick(4);
    EXPECT_EQ(lastBlock(), range(10000, 20));
    console.ButtonPageUpClick();
    EXPECT_EQ(console.pages().var().numbers[19], "(14,009)");
}

TEST_F(MonitorPages, NamedRowsShowGbkAndUtf8NamesFromATableDirectoryReadAtTheLink) {
    dir.write("VelmCnc.ini", QByteArray("%%VelmCnc.Ini\r\n10900:\xd6\xf7\xd6\xe1\xd7\xaa\xcb\xd9\r\n10901:") +
                                 QString::fromUtf8("进给倍率").toUtf8() + "\r\n");
    prompts.openAnswers.push_back(dir.file("Velmorix.ini"));
    console.LabelBackClick();
    console.ButtonFileSelectParthClick();
    console.LinktoCNCButtonClick(); // a new table directory is read at the link
    console.ButtonCNCInfoClick();
    const VarView& v = console.pages().var();
    EXPECT_EQ(v.names[0], QString::fromUtf8("主轴转速"));
    EXPECT_EQ(v.names[1], QString::fromUtf8("进给倍率"));
    EXPECT_EQ(state().view.caption, "Velmorix\\Cnc\\Infomation");
}

TEST_F(MonitorPages, NamedRowsPastTheEndOfTheTableShowNoName) {
    seam().state().env.ranges.McmData_size = 1500; // a thousand and a half: the list offers two thousands
    console.LabelBackClick();
    seam().state().RangesChanged = true;
    console.LinktoCNCButtonClick();
    console.ButtonMCMDataClick();
    console.ComboBox1000Change(1, 9, 9);
    const VarView& v = console.pages().var();
    EXPECT_EQ(v.namedNumbers[9], "(12,999)");
    EXPECT_EQ(v.names[9], "");
    console.ComboBox1000Change(1, 4, 9);
    EXPECT_EQ(v.names[9], "UnUse_12499");
}

TEST_F(MonitorPages, FileServiceSendsTheResetSignalOnceAndEmptiesTheBlock) {
    const qsizetype before = received().size();
    console.ButtonFileSvcClick();
    clock.advance(50);
    console.ButtonFileSvcClick(); // waits out the pause, then finds the page already shown
    tick(3);
    console.ButtonFileSvcClick();
    tick(3);
    EXPECT_EQ(received().mid(before).count(QByteArray("\x14\t\t\t\t")), 1);
    EXPECT_EQ(state().block.PollBlockStart, -1);
    EXPECT_EQ(keyIn(), "; PC<=>CNC :: FileTrans Servicer ;");
    EXPECT_EQ(state().view.caption, "Velmorix\\File\\Service");
    EXPECT_EQ(requests().last().size(), 14); // only the fixed items and the serial number
    console.ButtonPlcBitClick();
    tick(4);
    EXPECT_EQ(lastBlock(), range(10800, 8));
}

// What the rows show is in tests/gui (pages_render_test.cpp); here what they write.
TEST_F(MonitorPages, VariableRowsWriteTheirOwnNumberAndADeadLinkEmptiesTheirValues) {
    console.ButtonVarUserClick();
    console.ComboBox1000Change(2, 3, 4);
    tick(5);
    const VarView& v = console.pages().var();
    EXPECT_EQ(v.numbers[19], "(02,359)");
    prompts.valueAnswers.push_back(77);
    console.StaticTextVar0_10Click(19);
    tick(3);
    EXPECT_EQ(controller.value(2359, nowUs()), 77);

    // Named rows write from their own range: CNC information, then machine parameters.
    console.ButtonCNCInfoClick();
    tick(3);
    prompts.valueAnswers.push_back(5);
    console.StaticTextCncInfo0_10Click(3);
    console.ButtonMCMDataClick();
    tick(3);
    prompts.valueAnswers.push_back(6);
    console.StaticTextCncInfo0_10Click(9);
    tick(3);
    EXPECT_TRUE(received().contains("\x12%\rO9012\rN10903\rD00000005\r%\x14"));
    EXPECT_TRUE(received().contains("\x12%\rO9012\rN11009\rD00000006\r%\x14"));

    // A dead link empties the values; numbers stay.
    controller.addFault({.kind = sim::Fault::DropDsr, .fromUs = nowUs()});
    tick(3);
    EXPECT_TRUE(std::all_of(v.namedValues.begin(), v.namedValues.end(),
                            [](const QString& s) { return s.isEmpty(); }));
    EXPECT_EQ(v.namedNumbers[0], "(11,000)");
    console.ButtonPlcRCTClick();
    tick(3);
    EXPECT_TRUE(console.pages().rct().values[5].isEmpty());
}

TEST_F(MonitorPages, ARangeEndingNearTheLast32BitNumberNeverPollsOrWritesAWrappedNumber) {
    seam().state().env.ranges.User_start = 2147481000;
    seam().state().env.ranges.User_size = 10000;
    console.ButtonVarUserClick();
    // Only the thousands whose every row is a 32-bit number are offered.
    EXPECT_EQ(console.pages().var().thousands, QStringList({"2147481000", "2147482000"}));
    console.ComboBox1000Change(2, 0, 0);
    tick(4);
    EXPECT_EQ(lastBlock(), range(2147482000, 20));
    prompts.valueAnswers.push_back(3);
    console.StaticTextVar0_10Click(1);
    tick(2);
    EXPECT_TRUE(received().contains("\x12%\rO9012\rN2147482001\rD00000003\r%\x14"));
}
