// Cost of one poll tick that reads 100 ms of back-to-back 46-item status frames at 115200 baud
// (7 data bits, even parity, 2 stop bits: 11 bits a character) and decodes the newest.
#include "core/app/console.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <benchmark/benchmark.h>

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

void PollTickReadsAndDecodes100msAt115200(benchmark::State& st) {
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
    console.FormCreate({{"162720", "GO"}, 24});
    auto& block = const_cast<ConsoleState&>(console.state()).block;
    block.PollBlockStart = 10000;
    block.PollBlockCount = 32;
    block.PollBlockChanged = true;
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
BENCHMARK(PollTickReadsAndDecodes100msAt115200)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
