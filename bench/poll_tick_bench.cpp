// Cost of one poll tick that reads 100 ms of back-to-back 46-item status frames at 115200 baud
// (7 data bits, even parity, 2 stop bits: 11 bits a character) and decodes the newest; once as the
// console runs, with the wire log recording every byte, and once with the record switched off. The
// wire log's share of the tick is the difference (target: under 5 %).
#include "core/app/console.h"
#include "core/wire/wire_recorder.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace velmorix;
using namespace velmorix::test;

namespace {

QByteArray frame46(int seq) {
    QByteArray f = "\x12"
                   "........"
                   "H"
                   "0000000" +
                   QByteArray::number(seq) + ".....";
    for (int k = 1; k <= 46; ++k)
        f += "d" + QByteArray("0000") + QByteArray::number(1000 + k) + " ";
    return f + "%\x14";
}

void pollTick(benchmark::State& st, bool recording) {
    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    FakePort* port = nullptr;
    Console console(
        clock, prompts,
        [&](const QString&) {
            auto p = std::make_unique<FakePort>();
            port = p.get();
            return p;
        },
        dir.path());
    if (!recording)
        console.wireLog().setCapacity(0);
    console.FormCreate({{"162720", "GO"}, 24});
    auto& block = const_cast<ConsoleState&>(console.state()).block;
    block.PollBlockStart = 10000;
    block.PollBlockCount = 32;
    block.resubscribe();
    clock.advance(100); // the request goes out
    const int bytesPer100ms = 115200 / 11 / 10;
    QByteArray stream;
    for (int seq = 1; stream.size() < bytesPer100ms * 64; seq = seq % 7 + 1)
        stream += frame46(seq);
    qsizetype offset = 0;
    for (auto _ : st) {
        st.PauseTiming();
        if (offset + bytesPer100ms > stream.size())
            offset = 0;
        port->feed(stream.mid(offset, bytesPer100ms));
        offset += bytesPer100ms;
        st.ResumeTiming();
        console.poll().Timer2Timer();
    }
    st.counters["percent_of_100ms_period"] =
        benchmark::Counter(static_cast<double>(st.iterations()) / 1e5 * 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
void PollTickReadsAndDecodes100msAt115200(benchmark::State& st) {
    pollTick(st, true);
}
BENCHMARK(PollTickReadsAndDecodes100msAt115200)->Unit(benchmark::kMicrosecond);

void PollTickWithoutTheWireLog(benchmark::State& st) {
    pollTick(st, false);
}
BENCHMARK(PollTickWithoutTheWireLog)->Unit(benchmark::kMicrosecond);

// The recording alone, for the same tick: the read of 100 ms at 115200 into a full record (each one
// a buffer of its own, as a port's read returns it), and the requests written.
void WireLogRecordsOneTick(benchmark::State& st) {
    WireRecorder record;
    const QByteArray request =
        QByteArray(5, '\x02') + "\x12%\rO9000\rN0\rv46" + QByteArray(46 * 7, 'D') + "\r%\x14";
    const int bytesPer100ms = 115200 / 11 / 10;
    const QByteArray read(bytesPer100ms, 'd');
    qint64 atUs = 0;
    for (auto _ : st) {
        QByteArray fresh(read.constData(), read.size());
        const auto start = std::chrono::steady_clock::now();
        record.add(WireRecorder::Kind::ToController, request, atUs);
        record.add(WireRecorder::Kind::ToConsole, fresh, atUs + 1000);
        fresh = QByteArray(); // the caller lets go of its read
        st.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        atUs += 100'000;
    }
}
BENCHMARK(WireLogRecordsOneTick)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
