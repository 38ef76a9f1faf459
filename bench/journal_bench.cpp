// The transfer journal's history over 100,000 records in SQLite (target: an answer in under 200 ms):
// the newest hundred, a filter that matches few records and so reads them all, and the whole
// journal as text.
#include "core/journal/history_format.h"
#include "core/journal/journal_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmorix;

namespace {

constexpr int kRecords = 100'000;

// One journal of kRecords for every benchmark: a shop's year of transfers on a few ports.
const JournalLocation& journal() {
    static QTemporaryDir dir;
    static JournalLocation location = [] {
        QString error;
        JournalLocation l = *JournalLocation::parse(QDir(dir.path()).filePath("journal.sqlite3"), &error);
        l.spoolPath = QDir(dir.path()).filePath("spool.jsonl");
        JournalStore store(QStringLiteral("fill"));
        store.open(l);
        const QDateTime start =
            QDateTime::fromString(QStringLiteral("2025-01-01T06:00:00+01:00"), Qt::ISODate);
        QList<JournalRecord> batch;
        for (int i = 0; i < kRecords; ++i) {
            JournalRecord r;
            r.recordId = QStringLiteral("bench-%1").arg(i);
            r.started = start.addSecs(qint64(i) * 300);
            r.ended = r.started.addSecs(20);
            r.durationMs = 20000;
            r.program = i % 3 ? QStringLiteral("velmorix") : QStringLiteral("velmorix-cli");
            r.osUser = QStringLiteral("op");
            r.host = QStringLiteral("shop-pc-%1").arg(i % 4);
            r.port = QStringLiteral("COM%1").arg(1 + i % 4);
            r.device = QStringLiteral("/dev/ttyUSB%1").arg(i % 4);
            r.lineSettings = QStringLiteral("38400,E,7,2");
            r.controllerSerial = QStringLiteral("SN-0142857");
            r.sending = i % 2;
            r.fileType = QStringLiteral("0:CNC");
            r.fileName = QStringLiteral("O%1.Cnc").arg(1000 + i % 5000);
            r.filePath = QStringLiteral("/home/op/programs/") + r.fileName;
            r.bytes = 1000 + i % 50000;
            r.lines = 40 + i % 2000;
            r.sha256 = QString(64, QLatin1Char('0' + i % 10));
            r.outcome = i % 50 ? TransferEnd::Kind::Sent : TransferEnd::Kind::Refused;
            batch << r;
            if (batch.size() == 5000) {
                store.insert(batch);
                batch.clear();
            }
        }
        return l;
    }();
    return location;
}

void query(benchmark::State& state, const HistoryFilter& filter) {
    JournalStore store(QStringLiteral("history"));
    store.open(journal());
    qsizetype rows = 0;
    for (auto _ : state) {
        QString error;
        const QByteArray text = historyText(store.query(filter, &error));
        rows = text.count('\n');
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["rows"] = double(rows);
}

void HistoryNewestHundred(benchmark::State& state) {
    query(state, {});
}
BENCHMARK(HistoryNewestHundred)->Unit(benchmark::kMillisecond);

void HistoryFileFilterReadsEveryRecord(benchmark::State& state) {
    HistoryFilter f;
    f.file = QStringLiteral("O5999"); // 20 of 100,000
    f.outcomes = {TransferEnd::Kind::Sent, TransferEnd::Kind::Refused};
    query(state, f);
}
BENCHMARK(HistoryFileFilterReadsEveryRecord)->Unit(benchmark::kMillisecond);

void HistoryPortAndMonth(benchmark::State& state) {
    HistoryFilter f;
    f.port = QStringLiteral("com3");
    f.since = QDateTime::fromString(QStringLiteral("2025-06-01T00:00:00+01:00"), Qt::ISODate);
    f.until = QDateTime::fromString(QStringLiteral("2025-07-01T00:00:00+01:00"), Qt::ISODate);
    f.limit = 0;
    query(state, f);
}
BENCHMARK(HistoryPortAndMonth)->Unit(benchmark::kMillisecond);

void HistoryAllAsText(benchmark::State& state) {
    HistoryFilter f;
    f.limit = 0;
    query(state, f);
}
BENCHMARK(HistoryAllAsText)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the SQL driver is a plugin
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
