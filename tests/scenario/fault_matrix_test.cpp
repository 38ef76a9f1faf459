// The fault matrix: every cell of fault_matrix_table.h run against the console. A cell sets up its
// mode, lets the fault start as the operator acts, runs until the console is idle and the fault is
// over, then checks that the console recovered, that no file was lost or changed without a word (a
// transfer said to be done is byte-exact, one the fault broke is said to have failed) and what the
// operator was told. With VELMORIX_RELIABILITY_DOC set, the outcomes are written there as a table.
#include "core/journal/sql_journal.h"
#include "fault_matrix_table.h"
#include "journal/journal_fixture.h"
#include "sim_console_fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <map>

using namespace velmorix;
using namespace velmorix::test;
using namespace velmorix::test::matrix;

namespace {

// What a cell came to, for docs/reliability.md.
struct Outcome {
    QString transfer = QStringLiteral("-");
    QStringList said;
    qint64 recoveryMs = -1;
    bool pass = false;
};
std::map<std::pair<int, int>, Outcome>& outcomes() {
    static std::map<std::pair<int, int>, Outcome> all;
    return all;
}

// The files the modes move.
QByteArray textProgram() {
    QByteArray p = "%\r\nO0042\r\n";
    for (int i = 1; i <= 60; ++i)
        p += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i * 3) + " Y-" +
             QByteArray::number(i) + "\r\n";
    return p + "M30\r\n%\r\n";
}
QList<QByteArray> dncLines() {
    QList<QByteArray> lines;
    for (int i = 1; i <= 40; ++i)
        lines << "G01 X" + QByteArray::number(i) + " F500";
    return lines;
}
QByteArray dncProgram() {
    QByteArray dnc;
    for (const QByteArray& l : dncLines())
        dnc += l + "\r\n";
    return dnc;
}

class FaultMatrix : public SimConsoleTest, public ::testing::WithParamInterface<std::pair<int, int>> {
protected:
    void SetUp() override {
        start();
        tick(10);
        console.setTransferObserver([this](const TransferEnd& end) {
            ends << end;
            ++transfersEnded;
        });
        ensureApplication();
        journal = std::make_unique<SqlJournal>(journalAt, QStringLiteral("velmorix"));
        console.setJournal(journal.get());
    }
    void TearDown() override { console.setJournal(nullptr); }
    const Row& row() const { return kRows[GetParam().first]; }
    Mode mode() const { return kColumns[GetParam().second].mode; }

    void setUpTheMode();
    void actUnderTheFault();
    void runUntilSettled();
    void checkRecovery();
    void checkTheData();
    void checkWhatTheControllerKept();
    void checkTheMdiAndTheValueWrite();
    void checkWhatTheOperatorWasTold();
    void record();

    void store(int item, const QString& name, const QByteArray& bytes);
    void addFault(qint64 fromUs);
    void run(int ms);
    bool saw(const QString& text) const { return said.contains(text) || prompts.messages.contains(text); }

    const QByteArray program = textProgram();
    const QByteArray binary = bytesOf(3000, 37);
    const QByteArray parameters = bytesOf(200, 7);
    const QByteArray plc = "PLC!" + QByteArray(8, char(0xAA)) + bytesOf(600, 5);

    Outcome out;
    QList<TransferEnd> ends;
    int transfersEnded = 0; // the file a receive mode stores first included
    const JournalLocation journalAt = sqliteJournal(dir.path());
    std::unique_ptr<SqlJournal> journal;
    QStringList said; // every text the key-in line showed, in order
    bool blanked = false;
    qint64 faultUntilUs = 0;
    int overrunsBefore = 0;
    qsizetype mdiBefore = 0;
    qint32 valueBefore = 0;
};

TEST_P(FaultMatrix, SaysWhatHappenedRecoversAndKeepsEveryFileWholeOrSaysItFailed) {
    setUpTheMode();
    actUnderTheFault();
    ASSERT_NO_FATAL_FAILURE(runUntilSettled());
    checkRecovery();
    ASSERT_NO_FATAL_FAILURE(checkTheData());
    checkWhatTheOperatorWasTold();
    record();
}

// The page, and the file on the controller or loaded, that each mode needs before the fault.
void FaultMatrix::setUpTheMode() {
    if (mode() != Mode::Idle && mode() != Mode::MdiAndWrite) {
        console.ButtonFileSvcClick();
        tick(3);
    }
    if (mode() == Mode::ReceiveText)
        store(0, "P42.Cnc", program);
    if (mode() == Mode::ReceiveHex)
        store(11, "P.999", parameters);
    if (mode() == Mode::ReceivePlc) {
        store(3, "P.Plc", plc);
        seam().files().addServiceReceiveTypes();
    }
    if (isSend(mode()))
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    if (mode() == Mode::SendText)
        load(0, "P42.Cnc", program);
    if (mode() == Mode::SendHex)
        load(3, "P.Plc", binary);
    if (mode() == Mode::SendDnc)
        load(13, "D.Cnc", dncProgram());
    if (mode() == Mode::SendArm)
        load(12, "F.Bin", binary.left(300));
    if (isReceive(mode()))
        console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
    overrunsBefore = controller.overruns();
    mdiBefore = controller.mdiCommands().size();
    valueBefore = controller.value(10037, nowUs());
}

// The fault starts as the operator acts (a little later for the port to vanish under it). A DNC run
// is on the line for a fraction of a second: the port vanishes once its lines flow.
void FaultMatrix::actUnderTheFault() {
    const bool vanishMidRun = row().fault == Fault::Vanish && mode() == Mode::SendDnc;
    if (!vanishMidRun)
        addFault(nowUs() + (row().fault == Fault::Vanish ? 300'000 : 0));
    if (mode() == Mode::Idle) {
        run(500);
        console.ButtonPlcRCTClick();
    }
    if (mode() == Mode::MdiAndWrite) {
        console.EditKeyInEdited(QStringLiteral("G01 X10 Y5"));
        console.ButtonMDIgoClick();
        run(400);
        console.ButtonPlcRCTClick();
        console.BtnPlcRct032Click(32);
        run(400);
        prompts.valueAnswers.push_back(4321);
        console.StaticTextPlcRct0_10Click(5);
    }
    if (isReceive(mode())) {
        console.ComboBoxRecvFileChange(mode() == Mode::ReceiveText  ? 0
                                       : mode() == Mode::ReceiveHex ? 22
                                                                    : 24);
        console.ButtonRecvInClick();
    }
    if (isSend(mode()))
        console.ButtonSendOutClick();
    if (vanishMidRun) {
        for (int t = 0; t < 2000 && !console.transfer().Sending(); t += 10)
            run(10);
        addFault(nowUs() + 30'000);
    }
}

void FaultMatrix::runUntilSettled() {
    for (int t = 0; t < 240000 && (busy() || nowUs() < faultUntilUs); t += 100)
        run(100);
    ASSERT_FALSE(busy()) << "still busy 4 minutes on: paused " << console.paused() << " active "
                         << console.transfer().active() << " verdict " << console.transfer().awaitingVerdict()
                         << " listing " << console.receiver().listing() << " out "
                         << (port && port->isOpen() ? port->outputCount() : -1) << " dnc "
                         << controller.dnc().active() << " said " << said.join(u'|').toStdString();
}

// The live display accepts frames again within a second (after the operator links again once a
// vanished adapter is back), the controls are usable and only the poll timer runs.
void FaultMatrix::checkRecovery() {
    if (row().fault == Fault::Vanish) {
        console.LabelBackClick();
        console.LinktoCNCButtonClick();
    }
    const quint64 framesBefore = console.poll().acceptedFrames();
    const qint64 settled = nowUs();
    for (int t = 0; t < 5000 && console.poll().acceptedFrames() == framesBefore; t += 10)
        run(10);
    out.recoveryMs = (nowUs() - settled) / 1000;
    EXPECT_LE(out.recoveryMs, 1000) << "the live display did not come back: link " << state().line.LinkUp
                                    << " changed " << state().block.PollBlockChanged() << " resync "
                                    << state().seq.Resyncing() << " said " << said.join(u'|').toStdString();
    EXPECT_NE(state().status.axes[0], "----,---");
    EXPECT_TRUE(state().view.controls.ButtonPlcBit);
    EXPECT_TRUE(state().view.controls.ButtonFileSvc);
    EXPECT_TRUE(console.Timer2().isEnabled());
    EXPECT_FALSE(console.Timer1().isEnabled());
    EXPECT_FALSE(console.Timer3().isEnabled());
    EXPECT_EQ(controller.overruns(), overrunsBefore);
}

// A transfer says once how it ended, and one said done is byte-exact.
void FaultMatrix::checkTheData() {
    if (mode() == Mode::MdiAndWrite)
        checkTheMdiAndTheValueWrite();
    // The journal keeps one record a transfer, ending as the transfer said it ended (newest first).
    ASSERT_TRUE(journal->flush(10000));
    const QList<JournalRecord> records = allRecords(journalAt);
    ASSERT_EQ(records.size(), transfersEnded);
    if (!isTransfer(mode()))
        return;
    ASSERT_EQ(ends.size(), 1) << "a transfer must say once how it ended";
    const TransferEnd& end = ends.first();
    EXPECT_EQ(records[0].recordId, end.recordId);
    EXPECT_EQ(records[0].outcome, end.kind);
    EXPECT_EQ(records[0].reason, end.reason);
    // Every end but these two is a failure, whatever its kind (refused, broken off, not whole...).
    out.transfer = end.kind == TransferEnd::Kind::Sent       ? QStringLiteral("sent, exact")
                   : end.kind == TransferEnd::Kind::Received ? QStringLiteral("received, saved exact")
                                                             : QStringLiteral("failed: ") + end.reason;
    EXPECT_NE(end.kind, isSend(mode()) ? TransferEnd::Kind::Received : TransferEnd::Kind::Sent);
    if (end.kind == TransferEnd::Kind::Sent)
        checkWhatTheControllerKept();
    if (end.kind == TransferEnd::Kind::Received) {
        const QByteArray expected = mode() == Mode::ReceiveText  ? program
                                    : mode() == Mode::ReceiveHex ? parameters
                                                                 : plc;
        EXPECT_EQ(save(QStringLiteral("back.bin")), expected);
    }
}

// A whole file stored after the controller's length and checksum check, a whole DNC run, a whole
// 8-bit image.
void FaultMatrix::checkWhatTheControllerKept() {
    const sim::TransferRecord last =
        controller.transfers().isEmpty() ? sim::TransferRecord{} : controller.transfers().last();
    if (mode() == Mode::SendText || mode() == Mode::SendHex) {
        EXPECT_EQ(last.outcome, sim::TransferRecord::Outcome::Stored) << last.reason.toStdString();
    }
    if (mode() == Mode::SendText) {
        EXPECT_EQ(controller.files().stored(1001) + "\r\n", program);
    }
    if (mode() == Mode::SendHex) {
        EXPECT_EQ(controller.files().stored(1005), binary);
    }
    if (mode() == Mode::SendDnc) {
        EXPECT_EQ(controller.dnc().executed(), dncLines());
    }
    if (mode() == Mode::SendArm) {
        EXPECT_EQ(controller.armImage(), binary.left(300));
    }
}

// Sent whole or not at all: a request the line garbled is not obeyed.
void FaultMatrix::checkTheMdiAndTheValueWrite() {
    const QList<QByteArray> mdi = controller.mdiCommands().mid(mdiBefore);
    EXPECT_TRUE(mdi.isEmpty() || mdi == QList<QByteArray>{"G01X10Y5"});
    const qint32 value = controller.value(10037, nowUs());
    EXPECT_TRUE(value == valueBefore || value == 4321) << value;
    out.transfer = QStringLiteral("MDI %1, value %2")
                       .arg(mdi.isEmpty() ? QStringLiteral("not run") : QStringLiteral("run"),
                            value == 4321 ? QStringLiteral("written") : QStringLiteral("not written"));
}

// What the table says this cell must tell or show the operator.
void FaultMatrix::checkWhatTheOperatorWasTold() {
    const bool failed = !ends.isEmpty() && ends.first().kind == TransferEnd::Kind::Failed;
    const QString saidText = said.join(u'|');
    const QString boxes = prompts.messages.join(u'|');
    for (const Expectation& e : kExpectations) {
        if (e.fault != row().fault || !e.inMode(mode()) || (e.onlyWhenTheTransferFailed && !failed))
            continue;
        const QString text = QString::fromUtf8(e.text);
        switch (e.shown) {
        case Shown::Said:
            EXPECT_TRUE(saw(text)) << e.text << " said " << saidText.toStdString();
            break;
        case Shown::SaidContaining:
            EXPECT_TRUE(
                std::any_of(said.begin(), said.end(), [&](const QString& s) { return s.contains(text); }))
                << e.text << " said " << saidText.toStdString();
            break;
        case Shown::BoxOnce:
            EXPECT_EQ(prompts.messages.count(text), 1)
                << boxes.toStdString() << " said " << saidText.toStdString();
            break;
        case Shown::BoxStartingWith:
            EXPECT_TRUE(std::any_of(prompts.messages.begin(), prompts.messages.end(), [&](const QString& s) {
                return s.startsWith(text);
            })) << boxes.toStdString();
            break;
        case Shown::Blanked:
            EXPECT_TRUE(blanked) << "a dead link left its values standing";
            break;
        }
    }
}

// The cell's line in docs/reliability.md: the message boxes, then what the key-in line showed
// (without the watchdog's count).
void FaultMatrix::record() {
    QStringList shown = prompts.messages;
    for (const QString& s : said)
        if (!s.startsWith(QStringLiteral("; .. Shaking")) && !shown.contains(s))
            shown << s;
    out.said = shown;
    out.pass = !HasFailure();
    outcomes()[GetParam()] = out;
}

// A clean send that leaves the file on the controller to be served back.
void FaultMatrix::store(int item, const QString& name, const QByteArray& bytes) {
    console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    load(item, name, bytes);
    console.ButtonSendOutClick();
    for (int t = 0; t < 30000 && busy(); t += 10)
        clock.advance(10);
    tick(35);
    ends.clear();
}

void FaultMatrix::addFault(qint64 fromUs) {
    faultUntilUs = fromUs + qint64(row().windowMs) * 1000;
    controller.addFault({row().fault, fromUs, faultUntilUs, -1, row().value, row().hasValue});
}

// Runs the clock in 10 ms steps, noting every text the key-in line shows and whether the live display
// blanked.
void FaultMatrix::run(int ms) {
    for (int t = 0; t < ms; t += 10) {
        clock.advance(10);
        const QString text = keyIn();
        if (!text.isEmpty() && (said.isEmpty() || said.last() != text))
            said << text;
        if (state().status.axes[0] == QLatin1String("----,---"))
            blanked = true;
    }
}

std::vector<std::pair<int, int>> applicableCells() {
    std::vector<std::pair<int, int>> cells;
    for (int r = 0; r < int(std::size(kRows)); ++r)
        for (int m = 0; m < int(std::size(kColumns)); ++m)
            if (notApplicable(kRows[r].fault, kColumns[m].mode).isEmpty())
                cells.emplace_back(r, m);
    return cells;
}

INSTANTIATE_TEST_SUITE_P(EveryFaultInEveryMode, FaultMatrix, ::testing::ValuesIn(applicableCells()),
                         [](const auto& cell) {
                             QString name = sim::faultName(kRows[cell.param.first].fault) + QLatin1Char('_') +
                                            QString::fromLatin1(kColumns[cell.param.second].name);
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

// ---- The published table: docs/reliability.md. ----

QByteArray reportHeader() {
    QByteArray md = "# Reliability: the fault matrix\n\n"
                    "Written by `scripts/reliability` from the fault-matrix test "
                    "(tests/scenario/fault_matrix_test.cpp), which runs every fault of the virtual "
                    "controller (docs/simulator.md) in every mode of the console under the test clock. "
                    "Each cell checks:\n\n"
                    "- **the message**: what the operator is told, in the console's own words where it "
                    "has them;\n"
                    "- **the recovery**: the live display accepts frames again within 1 s of the fault's "
                    "end (or of the transfer's end, if later), the operator controls are usable, and "
                    "only the poll timer runs;\n"
                    "- **the data**: a send said to be done was stored by the controller after its "
                    "length and checksum check and equals the loaded file; a receive said to be done "
                    "saves byte-exact; a transfer the fault broke is said to have failed; the "
                    "controller counts no overrun.\n\n"
                    "The fault starts when the operator acts and lasts the window given. A cell reads "
                    "*outcome* · *recovery* · *what the operator saw*; n/a cells say why.\n\n";
    md += "| fault (window) |";
    for (const Column& c : kColumns)
        md += QByteArray(" ") + c.name + " |";
    md += "\n|---|";
    for (std::size_t i = 0; i < std::size(kColumns); ++i)
        md += "---|";
    return md + "\n";
}

// A cell: why it says nothing, or its outcome, recovery and the last three things the operator saw.
QByteArray reportCell(int r, int m) {
    const QString na = notApplicable(kRows[r].fault, kColumns[m].mode);
    if (!na.isEmpty())
        return " n/a: " + na.toUtf8() + " |";
    const auto it = outcomes().find({r, m});
    if (it == outcomes().end())
        return " not run |";
    const Outcome& o = it->second;
    QStringList said = o.said.mid(std::max<qsizetype>(0, o.said.size() - 3));
    for (QString& s : said)
        s = QLatin1Char('"') + s.toHtmlEscaped().replace(u'|', QStringLiteral("\\|")) + QLatin1Char('"');
    return QByteArray(" ") + (o.pass ? "" : "**FAILS** ") + o.transfer.toUtf8() + " · " +
           QByteArray::number(o.recoveryMs) + " ms · " + said.join(QStringLiteral(", ")).toUtf8() + " |";
}

class ReliabilityReport : public ::testing::Environment {
public:
    void TearDown() override {
        const QString path = qEnvironmentVariable("VELMORIX_RELIABILITY_DOC");
        if (path.isEmpty() || outcomes().empty())
            return;
        QByteArray md = reportHeader();
        for (int r = 0; r < int(std::size(kRows)); ++r) {
            md += "| " + sim::faultName(kRows[r].fault).toUtf8() + " (" +
                  QByteArray::number(kRows[r].windowMs / 1000.0) + " s) |";
            for (int m = 0; m < int(std::size(kColumns)); ++m)
                md += reportCell(r, m);
            md += "\n";
        }
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(md);
    }
};
[[maybe_unused]] ::testing::Environment* const kReport =
    ::testing::AddGlobalTestEnvironment(new ReliabilityReport);

} // namespace
