// A day on the line in simulated time: the console linked to the virtual controller, the operator
// changing pages, sending MDI commands and values, a send and a receive every few minutes, and
// faults at random. Every transfer must end as the fault matrix demands, the display must come back
// after every fault, nothing may grow without bound, and the transfer journal holds one record per
// transfer. VELMORIX_SOAK_HOURS shortens or lengthens it.
#include "sim_console_fixture.h"

#include "core/journal/journal_store.h"
#include "core/journal/sql_journal.h"
#include "journal/journal_fixture.h"

#include <QCoreApplication>

#include <random>

using namespace velmorix;
using namespace velmorix::test;
using sim::Fault;

namespace {

class Soak : public SimConsoleTest {
protected:
    static sim::ControllerOptions options() {
        sim::ControllerOptions o;
        o.frameIntervalMs = 1000; // a frame a second keeps the day's bytes countable
        o.keepDncLines = false;
        return o;
    }
    Soak() : SimConsoleTest(options()) {}

    bool busy() {
        return console.paused() || console.transfer().active() || console.transfer().awaitingVerdict() ||
               console.receiver().listing() || console.sender().uploading() ||
               (port && port->isOpen() && port->outputCount() > 0);
    }
    void runUntilIdle(int boundMs) {
        for (int t = 0; t < boundMs && busy(); t += 100)
            clock.advance(100);
    }
    void checkBounds() {
        EXPECT_LE(console.transfer().RxText().size(), 64 * 1024);
        EXPECT_LE(console.heldWork(), 8);
        EXPECT_LE(console.filePage().view().listLines.size(), 2500);
        EXPECT_LE(console.messageLine().text().size(), 256);
        EXPECT_LE(prompts.messages.size(), 4 * 24 * 12 + 16); // at most a few per fault
        const StatusRing& ring = console.poll().ring();
        EXPECT_TRUE(ring.RingWrite >= 0 && ring.RingWrite < StatusRing::kSize);
        EXPECT_LE(console.wireLog().size(), console.wireLog().capacity());
        EXPECT_LE(console.wireLog().end() - console.wireLog().begin(), 1'000'000);
    }

    QList<TransferEnd> ends;
};

} // namespace

TEST_F(Soak, ADayOfTrafficAndFaultsLosesNoFileAndGrowsNothing) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr double kHours = 6.0; // the sanitizers run the same code four times slower
#else
    constexpr double kHours = 24.0;
#endif
    const double hours = qEnvironmentVariableIsSet("VELMORIX_SOAK_HOURS")
                             ? qEnvironmentVariable("VELMORIX_SOAK_HOURS").toDouble()
                             : kHours;
    const qint64 endUs = qint64(hours * 3600e6);
    controller.log().setCapacity(64 * 1024); // the day would not fit otherwise
    start();
    port->setLineTickMs(20);
    tick(20);
    console.setTransferObserver([this](const TransferEnd& end) { ends << end; });
    ensureApplication();
    QString error;
    const JournalLocation journalAt = sqliteJournal(dir.path());
    SqlJournal journal(journalAt, QStringLiteral("velmorix"));
    console.setJournal(&journal);

    std::mt19937 rng(20261209);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const Fault kFaults[] = {
        Fault::DropDsr,         Fault::HoldCts,          Fault::XoffStorm,     Fault::NoiseBetweenFrames,
        Fault::TruncatedFrame,  Fault::WrongLengthFrame, Fault::StaleSequence, Fault::ErrorNumber,
        Fault::SilentHandshake, Fault::LineNoise};
    int sends = 0, sentExact = 0, receives = 0, receivedExact = 0, failed = 0, faults = 0, unrecovered = 0;
    qint64 faultEndUs = -1;

    for (int minute = 0; nowUs() < endUs; ++minute) {
        // A fault now and then, at a random moment of this minute.
        if (pick(8) == 0) {
            const Fault f = kFaults[pick(int(std::size(kFaults)))];
            const qint64 from = nowUs() + qint64(pick(50)) * 1'000'000;
            faultEndUs = from + 500'000 + qint64(pick(2500)) * 1000;
            controller.addFault(
                {f, from, faultEndUs, -1, f == Fault::ErrorNumber ? 12 : 0, f == Fault::ErrorNumber});
            ++faults;
        }
        // The operator.
        switch (pick(4)) {
        case 0:
            console.ButtonPlcRCTClick();
            break;
        case 1:
            console.ButtonPlcBitClick();
            break;
        case 2:
            console.EditKeyInEdited(QStringLiteral("G01 X%1").arg(minute % 100));
            console.ButtonMDIgoClick();
            break;
        default:
            console.ButtonPlcRCTClick();
            prompts.valueAnswers.push_back(minute);
            console.StaticTextPlcRct0_10Click(pick(10));
            break;
        }
        tick(300);

        // Every five minutes a program goes to the controller and comes back.
        if (minute % 5 == 0) {
            QByteArray program = "%\r\nO" + QByteArray::number(1000 + minute % 9000) + "\r\n";
            for (int i = 0; i < 20 + pick(40); ++i)
                program += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(pick(999)) + "\r\n";
            program += "M30\r\n%\r\n";
            console.ButtonFileSvcClick();
            tick(5);
            console.GroupBoxOperateMouseDown(FilePage::Row::Send);
            load(0, QStringLiteral("soak.Cnc"), program);
            ends.clear();
            console.ButtonSendOutClick();
            runUntilIdle(120000);
            ++sends;
            ASSERT_EQ(ends.size(), 1) << "minute " << minute;
            if (ends.first().kind == TransferEnd::Kind::Sent) {
                ++sentExact;
                EXPECT_EQ(controller.files().stored(1001) + "\r\n", program) << "minute " << minute;
            } else {
                ++failed;
            }
            tick(35);
            ends.clear();
            console.GroupBoxOperateMouseDown(FilePage::Row::Recv);
            console.ComboBoxRecvFileChange(0);
            console.ButtonRecvInClick();
            runUntilIdle(120000);
            ++receives;
            ASSERT_EQ(ends.size(), 1) << "minute " << minute;
            if (ends.first().kind == TransferEnd::Kind::Received) {
                ++receivedExact;
                prompts.saveAnswers.push_back(dir.file(QStringLiteral("back.Cnc")));
                console.ButtonSaveFileClick();
                EXPECT_EQ(dir.read(QStringLiteral("back.Cnc")), controller.files().stored(1001) + "\r\n")
                    << "minute " << minute;
            } else {
                ++failed;
            }
            console.ButtonPlcBitClick();
        }
        // Whatever happened, once the fault is over the display takes frames again.
        const qint64 minuteEnd = qint64(minute + 1) * 60'000'000;
        while (nowUs() < minuteEnd)
            clock.advance(std::min<qint64>(1000, (minuteEnd - nowUs() + 999) / 1000));
        if (nowUs() > faultEndUs + 1'000'000 && !busy()) {
            const quint64 before = console.poll().acceptedFrames();
            tick(15);
            if (console.poll().acceptedFrames() == before)
                ++unrecovered;
        }
        checkBounds();
        if (HasFatalFailure())
            return;
    }
    // One record a transfer, each ending as the transfer said.
    ASSERT_TRUE(journal.flush(30000));
    console.setJournal(nullptr);
    JournalStore store(QStringLiteral("soak"));
    ASSERT_EQ(store.open(journalAt), QString());
    HistoryFilter all;
    all.limit = 0;
    const QList<JournalRecord> records = store.query(all, &error);
    EXPECT_EQ(records.size(), sends + receives);
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const JournalRecord& r) { return r.outcome == TransferEnd::Kind::Sent; }),
              sentExact);
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const JournalRecord& r) { return r.outcome == TransferEnd::Kind::Received; }),
              receivedExact);
    EXPECT_EQ(unrecovered, 0);
    EXPECT_EQ(controller.overruns(), 0);
    EXPECT_GT(sentExact, sends / 2);
    EXPECT_GT(receivedExact, receives / 2);
    RecordProperty("faults", faults);
    RecordProperty("failedTransfers", failed);
    std::printf("soak: %.1f h, %d faults, %d sends (%d exact), %d receives (%d exact), %d said failed\n",
                hours, faults, sends, sentExact, receives, receivedExact, failed);
}
