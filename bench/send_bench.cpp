// Sending through the virtual controller's line model, on simulated time: how much of the line a
// send uses, how fast a DNC program feeds, how flat a long run's memory stays, and how often the
// window is told to repaint while the pump runs.
#include "core/app/console.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "sim/wire.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include "bench_inputs.h"

#include <benchmark/benchmark.h>

#include <QFile>

using namespace velmorix;
using namespace velmorix::bench;
using namespace velmorix::test;

namespace {

// The console linked to the virtual controller on the file-service page, send row chosen.
struct Rig {
    Rig(const QString& setupCode, sim::ControllerOptions options)
        : controller(std::move(options)),
          console(
              clock, prompts,
              [this](const QString&) { return std::make_unique<sim::SimulatedPort>(controller, clock); },
              dir.path()) {
        prompts.warningAnswer = {true, true};
        controller.log().setCapacity(64 * 1024); // the console keeps the line's record
        console.FormCreate({{"--simulator", setupCode, "GO"}, 24});
        clock.advance(500);
        console.ButtonFileSvcClick();
        clock.advance(300);
        console.GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    void load(int type, const QByteArray& bytes) {
        dir.write("f.Cnc", bytes);
        console.ComboBoxSendFileChange(type);
        prompts.openAnswers.push_back(dir.file("f.Cnc"));
        console.ButtonOpenFileClick();
        while (console.filePage().loading())
            clock.advance(1);
    }
    void waitUntil(const std::function<bool()>& done) {
        while (!done())
            clock.advance(10);
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    Console console;
};

QByteArray textOf(qsizetype bytes) {
    QByteArray t;
    t.reserve(bytes + 16);
    for (int i = 0; t.size() < bytes; ++i)
        t += "G01 X" + QByteArray::number(i % 1000) + " Y2.5\r\n";
    t.truncate(bytes);
    return t;
}

// A 1 MiB image sent as "0:CNC": the share of the line's capacity the send used, from the go-ahead
// to the last byte at the controller; and the repaints the window was asked for meanwhile.
void SendOneMiB(benchmark::State& st, const QString& code, PortSettings settings) {
    double percent = 0;
    double renders = 0;
    for (auto _ : st) {
        sim::ControllerOptions o;
        o.line = settings;
        Rig rig(code, o);
        const QByteArray text = textOf(1024 * 1024 + 1); // the last line break goes: 1 MiB of image
        rig.load(0, text);
        rig.console.ButtonSendOutClick();
        rig.waitUntil([&] { return rig.console.transfer().Sending(); });
        const qint64 startUs = rig.clock.nowUs();
        const qint64 repaintsBefore = rig.console.repaints();
        rig.waitUntil([&] { return !rig.controller.transfers().isEmpty(); });
        const double seconds = double(rig.clock.nowUs() - startUs) / 1e6;
        const double frame = 1024 * 1024 + 2;
        percent = 100.0 * frame * sim::Wire::charTimeUs(settings) / 1e6 / seconds;
        renders = double(rig.console.repaints() - repaintsBefore) / seconds;
        if (rig.controller.transfers().last().outcome != sim::TransferRecord::Outcome::Stored)
            st.SkipWithError("the controller did not store the file");
    }
    st.counters["percent_of_line_capacity"] = percent;
    st.counters["renders_per_simulated_second"] = renders;
}

QByteArray dncProgram(int lines) {
    QByteArray t;
    t.reserve(qsizetype(lines) * 22);
    for (int i = 1; i <= lines; ++i)
        t += "N" + QByteArray::number(i).rightJustified(6, '0') + " G04 X0.001\r\n"; // 20 characters
    return t;
}

sim::ControllerOptions neverHolds() {
    sim::ControllerOptions o;
    o.line = line(115200, Parity::None, 8, 1);
    o.dncLineMs = 0;
    o.keepDncLines = false;
    o.inputBufferBytes = 1 << 30;
    o.xoffMark = 1 << 29;
    o.xonMark = 0;
    return o;
}

// 20-character lines at 115200 8N1 to a controller that never holds: lines a second as a share of
// what the line itself allows (a line and its CR, one after another).
void DncLinesAt115200(benchmark::State& st) {
    double percent = 0;
    for (auto _ : st) {
        Rig rig("160810", neverHolds());
        const int lines = 20000;
        rig.load(13, dncProgram(lines));
        rig.console.ButtonSendOutClick();
        rig.waitUntil([&] { return rig.console.transfer().Sending(); });
        const qint64 startUs = rig.clock.nowUs();
        rig.waitUntil([&] { return !rig.console.transfer().active(); });
        const double seconds = double(rig.clock.nowUs() - startUs) / 1e6;
        const double lineLimited = 1e6 / (21 * sim::Wire::charTimeUs(line(115200, Parity::None, 8, 1)));
        percent = 100.0 * lines / seconds / lineLimited;
    }
    st.counters["percent_of_line_capacity"] = percent;
}

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& l : f.readAll().split('\n'))
        if (l.startsWith("VmRSS:"))
            return l.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// A million-line DNC run: how much the process grows while it runs, after the program is loaded.
void DncMillionLinesMemory(benchmark::State& st) {
    double growthMiB = 0;
    for (auto _ : st) {
        Rig rig("160810", neverHolds());
        rig.load(13, dncProgram(1000000));
        rig.console.ButtonSendOutClick();
        rig.waitUntil([&] { return rig.console.transfer().Sending(); });
        // The wire log is full from the start, so what grows is the run's and not the 4 MiB record's.
        WireRecorder& record = rig.console.wireLog();
        for (qsizetype n = 0; n < record.capacity(); n += WireRecorder::kEntryBytes)
            record.add(WireRecorder::Kind::ToConsole, QByteArray(WireRecorder::kEntryBytes, 'x'), 0);
        const long before = residentKiB();
        long peak = before;
        while (rig.console.transfer().active()) {
            rig.clock.advance(1000);
            peak = std::max(peak, residentKiB());
        }
        growthMiB = double(peak - before) / 1024.0;
        st.counters["lines_run"] = double(rig.controller.dnc().executedCount());
    }
    st.counters["rss_growth_mib"] = growthMiB;
}

} // namespace

BENCHMARK_CAPTURE(SendOneMiB, at38400_7E2, QStringLiteral("142720"), line(38400, Parity::Even, 7, 2))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(SendOneMiB, at115200_8N1, QStringLiteral("160810"), line(115200, Parity::None, 8, 1))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(DncLinesAt115200)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(DncMillionLinesMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
