// What the operator feels, in the window itself: the console with its window (TFormMain on the
// offscreen platform) linked to the in-process virtual controller, in real time. How long a value
// the controller changes takes to show on the register page; the longest the event loop stands still
// while a large file loads, a large body arrives and a long DNC run feeds; and what a DNC program of
// ten million lines costs to load and to feed.
//
// Runs that would take half an hour in real time are watched in real time at their start and at
// their end; the clock fast-forwards through the middle, where the console and the controller run
// exactly as they would (the same timers, the same bytes at the same line times) and the window
// paints once each simulated second.
#include "core/app/console.h"
#include "fast_forward_clock.h"
#include "gui/main/form_main.h"
#include "gui/widgets.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include "bench_inputs.h"

#include <benchmark/benchmark.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <algorithm>
#include <random>

using namespace velmorix;
using namespace velmorix::bench;
using namespace velmorix::test;

namespace {

sim::ControllerOptions at115200() {
    sim::ControllerOptions o;
    o.line = line(115200, Parity::None, 8, 1);
    return o;
}

// A controller that runs every DNC line at once and never holds the line (as in send_bench).
sim::ControllerOptions neverHolds() {
    sim::ControllerOptions o = at115200();
    o.dncLineMs = 0;
    o.keepDncLines = false;
    o.inputBufferBytes = 1 << 30;
    o.xoffMark = 1 << 29;
    o.xonMark = 0;
    return o;
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

// The event loop's gaps: a 1 ms timer notes how long it waited between two of its turns. Anything
// that holds the loop (a handler, a repaint, a layout) lengthens the gap; an idle loop gives 1 ms.
class StallWatch {
public:
    StallWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longestNs = std::max(m_longestNs, m_since.nsecsElapsed());
            m_since.restart();
        });
    }
    void start() {
        m_since.start();
        m_timer.start();
    }
    // Not watched while the clock fast-forwards: the loop does not wait then.
    void stop() {
        m_longestNs = std::max(m_longestNs, m_since.nsecsElapsed());
        m_timer.stop();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }
    void reset() { m_longestNs = 0; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longestNs = 0;
};

// Notes the moment a label paints the text it is waiting for.
class PaintWatch : public QObject {
public:
    PaintWatch(QLabel* label, const Clock& clock) : m_label(label), m_clock(clock) {
        label->installEventFilter(this);
    }
    void expect(const QString& text) {
        m_expected = text;
        m_paintedUs = -1;
    }
    bool painted() const { return m_paintedUs >= 0; }
    qint64 paintedUs() const { return m_paintedUs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::Paint && m_paintedUs < 0 &&
            m_label->text() == m_expected)
            m_paintedUs = m_clock.nowUs();
        return false;
    }

private:
    QLabel* m_label;
    const Clock& m_clock;
    QString m_expected;
    qint64 m_paintedUs = -1;
};

// The window on the console linked to the virtual controller.
struct Rig {
    Rig(const QString& setupCode, sim::ControllerOptions options)
        : controller(std::move(options)),
          console(
              clock, prompts,
              [this](const QString&) { return std::make_unique<sim::SimulatedPort>(controller, clock); },
              dir.path()),
          form(console) {
        prompts.warningAnswer = {true, true};
        controller.log().setCapacity(64 * 1024); // the console keeps the line's record
        form.show();
        form.start({"--simulator", setupCode, "GO"});
        runUntil([&] { return console.state().live.AcceptedFrames > 2; }, 5000);
    }
    // Runs the event loop in real time until `done` or `ms` have passed; whether `done` came.
    bool runUntil(const std::function<bool()>& done, int ms) {
        if (done())
            return true;
        QEventLoop loop;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, &loop, [&] {
            if (done())
                loop.quit();
        });
        look.start(2);
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }
    void runFor(int ms) {
        runUntil([] { return false; }, ms);
    }
    // Simulated time until `done`, the window painting once each simulated second.
    void fastForwardUntil(const std::function<bool()>& done) {
        clock.stopLive();
        qint64 sincePaintMs = 0;
        while (!done()) {
            clock.advance(10);
            sincePaintMs += 10;
            if (sincePaintMs >= 1000) {
                sincePaintMs = 0;
                QCoreApplication::processEvents();
            }
        }
        QCoreApplication::processEvents();
        clock.goLive();
    }
    void openFileService(FilePage::Row row, int item) {
        console.ButtonFileSvcClick();
        runUntil([&] { return !console.paused(); }, 2000);
        console.GroupBoxOperateMouseDown(row);
        if (row == FilePage::Row::Send)
            console.ComboBoxSendFileChange(item);
        else
            console.ComboBoxRecvFileChange(item);
        runFor(100);
    }
    // The list as the window shows it.
    int rowsShown() const {
        auto* list = qobject_cast<QAbstractItemView*>(form.control(QStringLiteral("ListBoxFileSvc")));
        return list && list->model() ? list->model()->rowCount() : -1;
    }

    FastForwardClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    Console console;
    TFormMain form;
};

struct Spread {
    double median = 0;
    double p90 = 0;
    double worst = 0;
};

Spread spreadOf(std::vector<double> v) {
    if (v.empty())
        return {};
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[v.size() * 9 / 10], v.back()};
}

// ---- Value latency

// A register on the PlcRCT page at 38400 7E2 (setup code 142720): from the moment the controller's
// variable changes to the moment its label paints the new value. The changes come at random moments,
// so they fall on every phase of the status frames, the 100 ms poll tick and the repaint gate.
// In real time (what the operator sees, the window's own work included) or on simulated time, which
// the clock keeps exactly (the window's work then takes no time).
void ValueLatencyPlcRct(benchmark::State& st, bool realTime) {
    constexpr int kChanges = 150;
    constexpr qint32 kRegister = 10000; // R000, the page's first row
    Spread spread;
    for (auto _ : st) {
        Rig rig(QStringLiteral("142720"), {});
        rig.console.ButtonPlcRCTClick();
        auto* label = qobject_cast<QLabel*>(rig.form.control(QStringLiteral("StaticTextPlcRct0_10")));
        if (!label) {
            st.SkipWithError("no register label");
            return;
        }
        PaintWatch watch(label, rig.clock);
        watch.expect(QStringLiteral("0"));
        rig.controller.setValue(kRegister, 0, rig.clock.nowUs());
        rig.runUntil([&] { return watch.painted(); }, 5000);
        if (!realTime)
            rig.clock.stopLive();
        std::mt19937 random(20260105);
        std::uniform_int_distribution<int> pause(0, 300);
        std::vector<double> latencies;
        for (int k = 1; k <= kChanges; ++k) {
            const int waitMs = pause(random);
            const qint32 value = 1000 + k;
            if (realTime) {
                rig.runFor(waitMs);
            } else {
                for (int i = 0; i < waitMs; ++i) {
                    rig.clock.advance(1);
                    QCoreApplication::processEvents();
                }
            }
            watch.expect(QString::number(value));
            const qint64 changedUs = rig.clock.nowUs();
            rig.controller.setValue(kRegister, value, changedUs);
            if (realTime) {
                rig.runUntil([&] { return watch.painted(); }, 3000);
            } else {
                for (int i = 0; i < 3000 && !watch.painted(); ++i) {
                    rig.clock.advance(1);
                    QCoreApplication::processEvents();
                }
            }
            if (!watch.painted()) {
                st.SkipWithError("the new value never showed");
                return;
            }
            latencies.push_back(double(watch.paintedUs() - changedUs) / 1000.0);
        }
        spread = spreadOf(latencies);
    }
    st.counters["median_ms"] = spread.median;
    st.counters["p90_ms"] = spread.p90;
    st.counters["worst_ms"] = spread.worst;
    st.counters["changes"] = kChanges;
}

// ---- The event loop's longest stall

// A 16 MiB file opened as "3:PLC": from the click on "OpenFile" until the list shows it.
void StallLoadingHex16MiB(benchmark::State& st) {
    double longest = 0;
    double loadMs = 0;
    for (auto _ : st) {
        Rig rig(QStringLiteral("142720"), {});
        rig.openFileService(FilePage::Row::Send, 3);
        rig.dir.write(QStringLiteral("p.Plc"), binaryFile(16 * 1024 * 1024));
        rig.prompts.openAnswers.push_back(rig.dir.file(QStringLiteral("p.Plc")));
        StallWatch watch;
        watch.start();
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(0, [&] { rig.console.ButtonOpenFileClick(); });
        const bool loaded = rig.runUntil(
            [&] {
                return !rig.console.filePage().loading() && rig.console.filePage().fileListed() &&
                       rig.rowsShown() == rig.console.filePage().view().rowCount();
            },
            60000);
        loadMs = double(t.nsecsElapsed()) / 1e6;
        rig.runFor(300);
        watch.stop();
        if (!loaded)
            st.SkipWithError("the file was not listed");
        longest = watch.longestMs();
    }
    st.counters["longest_stall_ms"] = longest;
    st.counters["load_ms"] = loadMs;
}

// A program of about 10 MiB received as "0:CNC" at 115200 8N1: from the click on "RecvIn" until the
// window lists it. Real time for its first 3 s and its last 5 s, the body's conversion and its list;
// the middle fast-forwarded. The in-process controller would build its 10 MiB answer inside the
// console's event loop, which a controller at the end of a cable does not: the answer it would send
// (the same bytes) is made before the watch starts and put on the line when the request has crossed.
void StallReceiving10MiB(benchmark::State& st) {
    double longest = 0;
    double bodyMiB = 0;
    qsizetype rows = 0;
    for (auto _ : st) {
        Rig rig(QStringLiteral("160810"), at115200());
        QByteArray program = "%\rO0001\r";
        for (int i = 1; program.size() < 10 * 1024 * 1024; ++i)
            program += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 997) + ".25 Y-" +
                       QByteArray::number(i % 389) + ".5 F1200\r";
        program += "%";
        rig.controller.files().take(1001, "O0001", program, 0);
        QByteArray announced;
        const QByteArray body =
            rig.controller.files().serve(1002, "Program.Cnc", false, rig.clock.nowUs(), &announced);
        const QByteArray answer = "\x14@WRITE(" + announced + ")" + body;
        sim::FaultSpec silent;
        silent.kind = sim::Fault::SilentHandshake;
        silent.count = 1;
        rig.controller.addFault(silent);
        rig.openFileService(FilePage::Row::Recv, 0);

        StallWatch watch;
        watch.start();
        QTimer::singleShot(0, [&] { rig.console.ButtonRecvInClick(); });
        rig.runUntil([&] { return rig.console.transfer().RecvRequested() && rig.console.link().lineClear(); },
                     2000);
        watch.stop();
        rig.controller.queueRawForConsole(answer);
        watch.start();
        rig.runFor(3000);
        watch.stop();
        const qsizetype tail = 5 * 11520;
        rig.fastForwardUntil([&] {
            return rig.console.transfer().RxText().size() >= answer.size() - tail ||
                   !rig.console.transfer().active();
        });
        watch.start();
        const bool listed = rig.runUntil(
            [&] {
                return !rig.console.transfer().active() && !rig.console.receiver().listing() &&
                       rig.rowsShown() == rig.console.filePage().view().rowCount();
            },
            60000);
        rig.runFor(300);
        watch.stop();
        if (!listed)
            st.SkipWithError("the body was not listed");
        longest = watch.longestMs();
        bodyMiB = double(body.size()) / (1024 * 1024);
        rows = rig.console.filePage().view().rowCount();
    }
    st.counters["longest_stall_ms"] = longest;
    st.counters["body_mib"] = bodyMiB;
    st.counters["rows_listed"] = double(rows);
}

QByteArray dncLine(int i) {
    return "N" + QByteArray::number(i).rightJustified(8, '0') + " G01 X0." +
           QByteArray::number(i % 1000).rightJustified(3, '0') + " Y-2.250 F3000\r\n";
}

// Writes a DNC program of `lines` lines in pieces, so the bench itself holds none of it.
qint64 writeDncProgram(const QString& path, int lines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    QByteArray piece;
    for (int i = 1; i <= lines; ++i) {
        piece += dncLine(i);
        if (piece.size() > (1 << 20) || i == lines) {
            f.write(piece);
            piece.clear();
        }
    }
    return f.size();
}

// A program of 1,000,000 lines fed as "D:DNC" to a controller that never holds the line, at 115200
// 8N1: from the click on "SendOut" until the run has ended. Real time for its first 10 s and its last
// 10 s; the middle fast-forwarded. The load before it is watched on its own.
void StallFeedingDnc1M(benchmark::State& st) {
    constexpr int kLines = 1000000;
    double longestLoad = 0;
    double longestStart = 0;
    double longestEnd = 0;
    double linesRun = 0;
    for (auto _ : st) {
        Rig rig(QStringLiteral("160810"), neverHolds());
        rig.openFileService(FilePage::Row::Send, kDncTypeIndex);
        writeDncProgram(rig.dir.file(QStringLiteral("p.Cnc")), kLines);
        rig.prompts.openAnswers.push_back(rig.dir.file(QStringLiteral("p.Cnc")));
        StallWatch load;
        load.start();
        QTimer::singleShot(0, [&] { rig.console.ButtonOpenFileClick(); });
        rig.runUntil([&] { return !rig.console.filePage().loading() && rig.console.filePage().fileListed(); },
                     60000);
        rig.runFor(300);
        load.stop();

        StallWatch start;
        start.start();
        QTimer::singleShot(0, [&] { rig.console.ButtonSendOutClick(); });
        rig.runFor(10000);
        start.stop();
        // The last 10 s of the run, at the rate its first 10 s went.
        const int lastLines = rig.console.filePage().view().gaugePosition;
        rig.fastForwardUntil([&] {
            return rig.console.filePage().view().gaugePosition >= kLines - lastLines ||
                   !rig.console.transfer().active();
        });
        StallWatch end;
        end.start();
        const bool ended = rig.runUntil([&] { return !rig.console.transfer().active(); }, 120000);
        rig.runFor(300);
        end.stop();
        if (!ended)
            st.SkipWithError("the run did not end");
        longestLoad = load.longestMs();
        longestStart = start.longestMs();
        longestEnd = end.longestMs();
        linesRun = double(rig.controller.dnc().executedCount());
    }
    st.counters["longest_stall_ms"] = std::max(longestStart, longestEnd);
    st.counters["first_10s_ms"] = longestStart;
    st.counters["last_10s_ms"] = longestEnd;
    st.counters["load_longest_stall_ms"] = longestLoad;
    st.counters["lines_run"] = linesRun;
}

// ---- A program of ten million lines

// Loaded as "D:DNC": the time from "OpenFile" until it is listed, and how much the process grew by
// it against the file's size. Then fed to a controller that never holds the line, at 115200 8N1: how
// much the process grows while the run feeds, from its 5th second (the wire log's record already full)
// to the line given, fast-forwarded with the window painting each simulated second.
void DncTenMillionLines(benchmark::State& st) {
    constexpr int kLines = 10000000;
    const qint64 feedLines = st.range(0);
    double loadSeconds = 0;
    double loadRatio = 0;
    double fileMiB = 0;
    double feedGrowthMiB = 0;
    double linesFed = 0;
    for (auto _ : st) {
        Rig rig(QStringLiteral("160810"), neverHolds());
        rig.openFileService(FilePage::Row::Send, kDncTypeIndex);
        const qint64 fileBytes = writeDncProgram(rig.dir.file(QStringLiteral("p.Cnc")), kLines);
        fileMiB = double(fileBytes) / (1024 * 1024);
        rig.prompts.openAnswers.push_back(rig.dir.file(QStringLiteral("p.Cnc")));
        rig.runFor(200);
        const long before = residentKiB();
        QElapsedTimer t;
        t.start();
        QTimer::singleShot(0, [&] { rig.console.ButtonOpenFileClick(); });
        const bool loaded = rig.runUntil(
            [&] {
                return !rig.console.filePage().loading() && rig.console.filePage().fileListed() &&
                       rig.rowsShown() == rig.console.filePage().view().rowCount();
            },
            120000);
        loadSeconds = double(t.nsecsElapsed()) / 1e9;
        rig.runFor(200);
        const long after = residentKiB();
        loadRatio = double(after - before) * 1024 / double(fileBytes);
        if (!loaded || rig.console.filePage().dncLines()->count() != kLines) {
            st.SkipWithError("the program was not loaded");
            return;
        }

        // The wire log is full from the start, so what grows is the run's and not the 4 MiB record's.
        WireRecorder& record = rig.console.wireLog();
        for (qsizetype n = 0; n < record.capacity(); n += WireRecorder::kEntryBytes)
            record.add(WireRecorder::Kind::ToConsole, QByteArray(WireRecorder::kEntryBytes, 'x'), 0);
        rig.console.ButtonSendOutClick();
        rig.runFor(5000);
        const long feeding = residentKiB();
        long peak = feeding;
        rig.clock.stopLive();
        qint64 sinceLookMs = 0;
        while (rig.console.transfer().active() && rig.console.filePage().view().gaugePosition < feedLines) {
            rig.clock.advance(10);
            sinceLookMs += 10;
            if (sinceLookMs >= 1000) {
                sinceLookMs = 0;
                QCoreApplication::processEvents();
                peak = std::max(peak, residentKiB());
            }
        }
        QCoreApplication::processEvents();
        peak = std::max(peak, residentKiB());
        rig.clock.goLive();
        feedGrowthMiB = double(peak - feeding) / 1024.0;
        linesFed = rig.console.filePage().view().gaugePosition;
        rig.console.ButtonResetClick();
        rig.runFor(500);
    }
    st.counters["load_s"] = loadSeconds;
    st.counters["load_rss_per_file_byte"] = loadRatio;
    st.counters["file_mib"] = fileMiB;
    st.counters["feed_rss_growth_mib"] = feedGrowthMiB;
    st.counters["lines_fed"] = linesFed;
}

} // namespace

BENCHMARK_CAPTURE(ValueLatencyPlcRct, real_time, true)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(ValueLatencyPlcRct, simulated_time, false)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(StallLoadingHex16MiB)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(StallReceiving10MiB)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(StallFeedingDnc1M)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(DncTenMillionLines)->Arg(10000000)->Unit(benchmark::kSecond)->Iterations(1);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    velmorix::widgets::preferCjkFont(); // as the program does
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
