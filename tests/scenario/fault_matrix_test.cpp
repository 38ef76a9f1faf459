// Every fault the virtual controller knows, in every mode of the console. Each cell checks what the
// operator is told, that the console recovers (the live display accepts frames again within a second
// of the fault's end, the controls are usable, no timer is left running), and that no file is lost
// or changed without a word: a transfer said to be done is byte-exact, one the fault broke is said
// to have failed. With VELMORIX_RELIABILITY_DOC set, the outcomes are written there as a table.
#include "sim_console_fixture.h"

#include <QFile>
#include <QRegularExpression>
#include <map>

using namespace velmorix;
using namespace velmorix::test;
using sim::Fault;

namespace {

enum class Mode {
    Idle,
    MdiAndWrite,
    SendText,
    SendHex,
    SendDnc,
    SendArm,
    ReceiveText,
    ReceiveHex,
    ReceivePlc
};
constexpr Mode kModes[] = {Mode::Idle,    Mode::MdiAndWrite, Mode::SendText,   Mode::SendHex,   Mode::SendDnc,
                           Mode::SendArm, Mode::ReceiveText, Mode::ReceiveHex, Mode::ReceivePlc};

const char* modeName(Mode m) {
    switch (m) {
    case Mode::Idle:
        return "idle, page change";
    case Mode::MdiAndWrite:
        return "MDI + value write";
    case Mode::SendText:
        return "send text";
    case Mode::SendHex:
        return "send hex";
    case Mode::SendDnc:
        return "send DNC";
    case Mode::SendArm:
        return "send ARM";
    case Mode::ReceiveText:
        return "receive, text save";
    case Mode::ReceiveHex:
        return "receive, hex save";
    case Mode::ReceivePlc:
        return "receive, PLC program";
    }
    return "";
}

bool isSend(Mode m) {
    return m == Mode::SendText || m == Mode::SendHex || m == Mode::SendDnc || m == Mode::SendArm;
}
bool isReceive(Mode m) {
    return m == Mode::ReceiveText || m == Mode::ReceiveHex || m == Mode::ReceivePlc;
}

struct Row {
    Fault fault;
    qint32 value;
    bool hasValue;
    int windowMs;
};
const Row kRows[] = {
    {Fault::DropDsr, 0, false, 1500},         {Fault::HoldCts, 0, false, 1500},
    {Fault::XoffStorm, 8, true, 1500},        {Fault::NoiseBetweenFrames, 7, true, 1500},
    {Fault::TruncatedFrame, 0, false, 1500},  {Fault::WrongLengthFrame, 0, false, 1500},
    {Fault::StaleSequence, 0, false, 1500},   {Fault::ErrorNumber, 12, true, 1500},
    {Fault::SilentHandshake, 0, false, 1500}, {Fault::RefuseArmFrame, 2, true, 5000},
    {Fault::SlowDnc, 2000, true, 5000},       {Fault::BadServedChecksum, 0, false, 5000},
    {Fault::LineNoise, 100, true, 20000},     {Fault::Vanish, 0, false, 1500},
};

// Why a cell cannot say anything, or an empty text.
QString notApplicable(Fault f, Mode m) {
    if (f == Fault::RefuseArmFrame && m != Mode::SendArm)
        return QStringLiteral("only the 8-bit upload sends frames to refuse");
    if (f == Fault::SlowDnc && m != Mode::SendDnc)
        return QStringLiteral("only a DNC run executes lines");
    if (f == Fault::BadServedChecksum && m != Mode::ReceivePlc)
        return QStringLiteral("only a served PLC program carries that checksum");
    if (f == Fault::SilentHandshake && !isSend(m) && !isReceive(m))
        return QStringLiteral("no file announcement to leave unanswered");
    if (f == Fault::SilentHandshake && m == Mode::SendArm)
        return QStringLiteral("the 8-bit upload has no announcement; its refusals are RefuseArmFrame");
    if (f == Fault::LineNoise && m == Mode::SendDnc)
        return QStringLiteral("a DNC line carries no check: a line garbled on the way cannot be told from a "
                              "good one by either side");
    return {};
}

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

QByteArray textProgram() {
    QByteArray p = "%\r\nO0042\r\n";
    for (int i = 1; i <= 60; ++i)
        p += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i * 3) + " Y-" +
             QByteArray::number(i) + "\r\n";
    return p + "M30\r\n%\r\n";
}
QByteArray bytesOf(int n, int seed) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += static_cast<char>((i * seed + 11) & 0xFF);
    return b;
}
QList<QByteArray> dncLines() {
    QList<QByteArray> lines;
    for (int i = 1; i <= 40; ++i)
        lines << "G01 X" + QByteArray::number(i) + " F500";
    return lines;
}

class FaultMatrix : public SimConsoleTest, public ::testing::WithParamInterface<std::pair<int, int>> {
protected:
    void SetUp() override {
        start();
        tick(10);
        console.setTransferObserver([this](const TransferEnd& end) { ends << end; });
    }

    bool busy() {
        return console.paused() || console.transfer().active() || console.transfer().awaitingVerdict() ||
               console.receiver().listing() || console.sender().uploading() ||
               (port && port->isOpen() && (port->outputCount() > 0 || controller.dnc().active()));
    }
    // Runs the clock in 10 ms steps, noting every text the message line shows.
    void run(int ms) {
        for (int t = 0; t < ms; t += 10) {
            clock.advance(10);
            note(keyIn());
            if (state().status.axes[0] == QLatin1String("----,---"))
                blanked = true;
        }
    }
    void note(const QString& text) {
        if (!text.isEmpty() && (said.isEmpty() || said.last() != text))
            said << text;
    }
    bool saw(const QString& text) const { return said.contains(text) || prompts.messages.contains(text); }

    // A clean send that leaves the file on the controller to be served back.
    void store(int item, const QString& name, const QByteArray& bytes) {
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
        load(item, name, bytes);
        console.ButtonSendOutClick();
        for (int t = 0; t < 30000 && busy(); t += 10)
            clock.advance(10);
        tick(35);
        ends.clear();
    }
    QByteArray save(const QString& name) {
        prompts.saveAnswers.push_back(dir.file(name));
        console.ButtonSaveFileClick();
        return dir.read(name);
    }

    QList<TransferEnd> ends;
    QStringList said;
    bool blanked = false;
};

TEST_P(FaultMatrix, SaysWhatHappenedRecoversAndKeepsEveryFileWholeOrSaysItFailed) {
    const Row& row = kRows[GetParam().first];
    const Mode mode = kModes[GetParam().second];
    Outcome out;

    // What each mode needs in place before the fault.
    const QByteArray program = textProgram();
    const QByteArray binary = bytesOf(3000, 37);
    const QByteArray parameters = bytesOf(200, 7);
    const QByteArray plc = "PLC!" + QByteArray(8, char(0xAA)) + bytesOf(600, 5);
    QByteArray dnc;
    for (const QByteArray& l : dncLines())
        dnc += l + "\r\n";
    if (mode != Mode::Idle && mode != Mode::MdiAndWrite) {
        console.ButtonFileSvcClick();
        tick(3);
    }
    switch (mode) {
    case Mode::ReceiveText:
        store(0, "P42.Cnc", program);
        break;
    case Mode::ReceiveHex:
        store(11, "P.999", parameters);
        break;
    case Mode::ReceivePlc:
        store(3, "P.Plc", plc);
        seam().files().addServiceReceiveTypes();
        break;
    case Mode::SendText:
    case Mode::SendHex:
    case Mode::SendDnc:
    case Mode::SendArm:
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
        if (mode == Mode::SendText)
            load(0, "P42.Cnc", program);
        else if (mode == Mode::SendHex)
            load(3, "P.Plc", binary);
        else if (mode == Mode::SendDnc)
            load(13, "D.Cnc", dnc);
        else
            load(12, "F.Bin", binary.left(300));
        break;
    default:
        break;
    }
    if (isReceive(mode))
        console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
    const int overrunsBefore = controller.overruns();
    const qsizetype mdiBefore = controller.mdiCommands().size();
    const qint32 valueBefore = controller.value(10037, nowUs());

    // The fault, from the moment the operator acts (a little later for the port to vanish under it).
    // A DNC run is on the line for a fraction of a second: the port vanishes once its lines flow.
    const bool vanishMidRun = row.fault == Fault::Vanish && mode == Mode::SendDnc;
    qint64 from = nowUs() + (row.fault == Fault::Vanish ? 300'000 : 0);
    qint64 until = from + qint64(row.windowMs) * 1000;
    if (!vanishMidRun)
        controller.addFault({row.fault, from, until, -1, row.value, row.hasValue});

    switch (mode) {
    case Mode::Idle:
        run(500);
        console.ButtonPlcRCTClick();
        break;
    case Mode::MdiAndWrite:
        console.EditKeyInEdited(QStringLiteral("G01 X10 Y5"));
        console.ButtonMDIgoClick();
        run(400);
        console.ButtonPlcRCTClick();
        console.BtnPlcRct032Click(32);
        run(400);
        prompts.valueAnswers.push_back(4321);
        console.StaticTextPlcRct0_10Click(5);
        break;
    case Mode::ReceiveText:
        console.ComboBoxRecvFileChange(0);
        break;
    case Mode::ReceiveHex:
        console.ComboBoxRecvFileChange(22);
        break;
    case Mode::ReceivePlc:
        console.ComboBoxRecvFileChange(24);
        break;
    default:
        break;
    }
    if (isReceive(mode))
        console.ButtonRecvInClick();
    if (isSend(mode))
        console.ButtonSendOutClick();
    if (vanishMidRun) {
        for (int t = 0; t < 2000 && !console.transfer().Sending(); t += 10)
            run(10);
        from = nowUs() + 30'000;
        until = from + qint64(row.windowMs) * 1000;
        controller.addFault({row.fault, from, until, -1, row.value, row.hasValue});
    }

    // Until the console is idle and the fault is over.
    for (int t = 0; t < 240000 && (busy() || nowUs() < until); t += 100)
        run(100);
    ASSERT_FALSE(busy()) << "still busy 4 minutes on: paused " << console.paused() << " active "
                         << console.transfer().active() << " verdict " << console.transfer().awaitingVerdict()
                         << " listing " << console.receiver().listing() << " out "
                         << (port && port->isOpen() ? port->outputCount() : -1) << " dnc "
                         << controller.dnc().active() << " said " << said.join(u'|').toStdString();
    if (row.fault == Fault::Vanish) {
        // The operator links again once the adapter is back.
        console.LabelBackClick();
        console.LinktoCNCButtonClick();
    }
    // Recovery: frames are accepted again within a second.
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

    // The data.
    if (isSend(mode) || isReceive(mode)) {
        ASSERT_EQ(ends.size(), 1) << "a transfer must say once how it ended";
        const TransferEnd& end = ends.first();
        out.transfer = end.kind == TransferEnd::Kind::Failed ? QStringLiteral("failed: ") + end.reason
                       : end.kind == TransferEnd::Kind::Sent ? QStringLiteral("sent, exact")
                                                             : QStringLiteral("received, saved exact");
        if (isSend(mode)) {
            EXPECT_NE(end.kind, TransferEnd::Kind::Received);
        }
        if (isReceive(mode)) {
            EXPECT_NE(end.kind, TransferEnd::Kind::Sent);
        }
        if (end.kind == TransferEnd::Kind::Sent) {
            const sim::TransferRecord last =
                controller.transfers().isEmpty() ? sim::TransferRecord{} : controller.transfers().last();
            switch (mode) {
            case Mode::SendText:
                EXPECT_EQ(last.outcome, sim::TransferRecord::Outcome::Stored) << last.reason.toStdString();
                EXPECT_EQ(controller.files().stored(1001) + "\r\n", program);
                break;
            case Mode::SendHex:
                EXPECT_EQ(last.outcome, sim::TransferRecord::Outcome::Stored) << last.reason.toStdString();
                EXPECT_EQ(controller.files().stored(1005), binary);
                break;
            case Mode::SendDnc:
                EXPECT_EQ(controller.dnc().executed(), dncLines());
                break;
            case Mode::SendArm:
                EXPECT_EQ(controller.armImage(), binary.left(300));
                break;
            default:
                break;
            }
        }
        if (end.kind == TransferEnd::Kind::Received) {
            const QByteArray expected = mode == Mode::ReceiveText  ? program
                                        : mode == Mode::ReceiveHex ? parameters
                                                                   : plc;
            EXPECT_EQ(save(QStringLiteral("back.bin")), expected);
        }
    } else if (mode == Mode::MdiAndWrite) {
        // Sent whole or not at all: a request the line garbled is not obeyed.
        const QList<QByteArray> mdi = controller.mdiCommands().mid(mdiBefore);
        EXPECT_TRUE(mdi.isEmpty() || mdi == QList<QByteArray>{"G01X10Y5"});
        const qint32 value = controller.value(10037, nowUs());
        EXPECT_TRUE(value == valueBefore || value == 4321) << value;
        out.transfer = QStringLiteral("MDI %1, value %2")
                           .arg(mdi.isEmpty() ? QStringLiteral("not run") : QStringLiteral("run"),
                                value == 4321 ? QStringLiteral("written") : QStringLiteral("not written"));
    }

    // What the operator is told, where the words are fixed.
    const bool transferMode = isSend(mode) || isReceive(mode);
    if (row.fault == Fault::Vanish) {
        EXPECT_EQ(prompts.messages.count(QStringLiteral("Comm: simulator was disconnected")), 1)
            << prompts.messages.join(u'|').toStdString() << " said " << said.join(u'|').toStdString();
        EXPECT_TRUE(blanked) << "a dead link left its values standing";
    }
    if (row.fault == Fault::SilentHandshake && isReceive(mode)) {
        EXPECT_TRUE(saw(QStringLiteral("; .. Wait ACK => Time Out .. ;")));
    }
    if (row.fault == Fault::SilentHandshake && isSend(mode)) {
        EXPECT_TRUE(saw(QStringLiteral("; .. Wait CTS => Time Out .. ;")));
    }
    if (row.fault == Fault::RefuseArmFrame) {
        EXPECT_TRUE(saw(QStringLiteral("; .. Send ARM Refused .. ;")));
    }
    if (row.fault == Fault::DropDsr && mode == Mode::Idle) {
        EXPECT_TRUE(blanked);
    }
    if (row.fault == Fault::DropDsr && isReceive(mode) && ends.first().kind == TransferEnd::Kind::Failed) {
        EXPECT_TRUE(saw(QStringLiteral("; .. DSR Off --> Break .. ;")));
    }
    if (row.fault == Fault::ErrorNumber && !transferMode) {
        EXPECT_TRUE(std::any_of(said.begin(), said.end(), [](const QString& s) { return s.contains("12"); }))
            << said.join(u'|').toStdString();
    }
    if (row.fault == Fault::BadServedChecksum) {
        EXPECT_TRUE(std::any_of(prompts.messages.begin(), prompts.messages.end(), [](const QString& s) {
            return s.startsWith(QStringLiteral("The received data does not match its checksum"));
        }));
    }

    QStringList shown = prompts.messages;
    for (const QString& s : said)
        if (!s.startsWith(QStringLiteral("; .. Shaking")) && !shown.contains(s))
            shown << s;
    out.said = shown;
    out.pass = !HasFailure();
    outcomes()[GetParam()] = out;
}

std::vector<std::pair<int, int>> applicableCells() {
    std::vector<std::pair<int, int>> cells;
    for (int r = 0; r < int(std::size(kRows)); ++r)
        for (int m = 0; m < int(std::size(kModes)); ++m)
            if (notApplicable(kRows[r].fault, kModes[m]).isEmpty())
                cells.emplace_back(r, m);
    return cells;
}

INSTANTIATE_TEST_SUITE_P(EveryFaultInEveryMode, FaultMatrix, ::testing::ValuesIn(applicableCells()),
                         [](const auto& cell) {
                             QString name = sim::faultName(kRows[cell.param.first].fault) + QLatin1Char('_') +
                                            QString::fromLatin1(modeName(kModes[cell.param.second]));
                             name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")),
                                          QStringLiteral("_"));
                             return name.toStdString();
                         });

// The published table: docs/reliability.md.
class ReliabilityReport : public ::testing::Environment {
public:
    void TearDown() override {
        const QString path = qEnvironmentVariable("VELMORIX_RELIABILITY_DOC");
        if (path.isEmpty() || outcomes().empty())
            return;
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
        for (Mode m : kModes)
            md += QByteArray(" ") + modeName(m) + " |";
        md += "\n|---|";
        for (std::size_t i = 0; i < std::size(kModes); ++i)
            md += "---|";
        md += "\n";
        for (int r = 0; r < int(std::size(kRows)); ++r) {
            md += "| " + sim::faultName(kRows[r].fault).toUtf8() + " (" +
                  QByteArray::number(kRows[r].windowMs / 1000.0) + " s) |";
            for (int m = 0; m < int(std::size(kModes)); ++m) {
                const QString na = notApplicable(kRows[r].fault, kModes[m]);
                if (!na.isEmpty()) {
                    md += " n/a: " + na.toUtf8() + " |";
                    continue;
                }
                const auto it = outcomes().find({r, m});
                if (it == outcomes().end()) {
                    md += " not run |";
                    continue;
                }
                const Outcome& o = it->second;
                QStringList said = o.said.mid(std::max<qsizetype>(0, o.said.size() - 3));
                for (QString& s : said)
                    s = QLatin1Char('"') + s.toHtmlEscaped().replace(u'|', QStringLiteral("\\|")) +
                        QLatin1Char('"');
                md += QByteArray(" ") + (o.pass ? "" : "**FAILS** ") + o.transfer.toUtf8() + " · " +
                      QByteArray::number(o.recoveryMs) + " ms · " + said.join(QStringLiteral(", ")).toUtf8() +
                      " |";
            }
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
