// Packing and loading speed of the file-service page on generated data.
#include "core/files/hex_image.h"
#include "core/files/received_file.h"
#include "core/files/text_loader.h"

#include "bench_inputs.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <algorithm>

using namespace velmorix;
using namespace velmorix::bench;

namespace {

QByteArray dncProgram(int lines) {
    QByteArray f;
    f.reserve(qsizetype(lines) * 28);
    for (int i = 1; i <= lines; ++i) {
        f += 'N';
        f += QByteArray::number(i);
        f += " G01 X";
        f += QByteArray::number(i % 1000);
        f += ".5 Y-2.25;cut\r\n";
    }
    return f;
}

// 16 MiB packed to its image, in slices of 64 KiB as the page does it.
void PackHex16MiB(benchmark::State& state) {
    const QByteArray file = binaryFile(16 * 1024 * 1024);
    for (auto _ : state) {
        HexPacker packer(file);
        while (!packer.done())
            packer.step(64 * 1024);
        benchmark::DoNotOptimize(packer.image().constData());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(PackHex16MiB)->Unit(benchmark::kMillisecond);

// 1,000,000 DNC lines into the line store, 2000 of them listed and "......" after them (the file is
// above 64 KiB), in slices of 64 KiB.
void LoadDncMillionLines(benchmark::State& state) {
    const QByteArray file = dncProgram(1000000);
    for (auto _ : state) {
        TextLoader loader(file, true);
        while (!loader.done())
            loader.step(64 * 1024);
        if (loader.dncLines().count() != 1000000 || loader.listLines().size() != 2001)
            state.SkipWithError("wrong line count");
        benchmark::DoNotOptimize(loader.dncLines().count());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(LoadDncMillionLines)->Unit(benchmark::kMillisecond);

// A 4 MiB text program (types 0 to 9): TABs and comments stripped into the image.
void LoadText4MiB(benchmark::State& state) {
    QByteArray file;
    while (file.size() < 4 * 1024 * 1024)
        file += "N10\tG01 X12.5 Y-3 F300 ;feed\r\n";
    for (auto _ : state) {
        TextLoader loader(file, false);
        while (!loader.done())
            loader.step(64 * 1024);
        benchmark::DoNotOptimize(loader.image().constData());
    }
    state.SetBytesProcessed(state.iterations() * file.size());
}
BENCHMARK(LoadText4MiB)->Unit(benchmark::kMillisecond);

// A received body of 10 MiB listed in the receiver's 256 KiB slices: the longest slice is how long the
// window waits at most (target well under the 100 ms poll period).
void ListReceived10MiB(benchmark::State& state) {
    QByteArray body;
    while (body.size() < 10 * 1024 * 1024)
        body += "#1234=-56789\r";
    double longestMs = 0;
    for (auto _ : state) {
        ReceivedLister lister(body);
        bool done = false;
        while (!done) {
            QElapsedTimer t;
            t.start();
            done = lister.step(256 * 1024);
            longestMs = std::max(longestMs, t.nsecsElapsed() / 1e6);
        }
        benchmark::DoNotOptimize(lister.lines().size());
    }
    state.counters["longest_slice_ms"] = longestMs;
    state.SetBytesProcessed(state.iterations() * body.size());
}
BENCHMARK(ListReceived10MiB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
