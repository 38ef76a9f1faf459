// Sending over the real path: the console with QtSerialPort on a pseudo-terminal to velmorix-sim, a
// program of its own, in real time; and the same through ser2net on 127.0.0.1, as rfc2217:// and
// tcp:// ports. A pseudo-terminal reports an empty output queue whatever it holds, and a device server
// holds what the socket has long handed over, so the console is paced by its line clock alone. The
// share of the line's rate is the controller's view: from its "ready for" to its "stored" note in its
// own log, against the time the bytes need.
#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/device_port.h"
#include "support/scripted_prompts.h"
#include "support/ser2net_process.h"
#include "support/temp_workdir.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

using namespace velmorix;
using namespace velmorix::test;

namespace {

// Runs the event loop, asleep between events as the programs' own loops are, looking at `done` every
// `lookMs`, for at most `ms`.
void runFor(const std::function<bool()>& done, int ms, int lookMs = 20) {
    if (done())
        return;
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    look.start(lookMs);
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The line: velmorix-sim's options, the console's setup code, the same as ser2net writes it, and the
// time one character takes.
struct Line {
    QStringList sim;
    QString setup;
    QString ser2net;
    double charUs;
};
const Line kSlow{{}, QStringLiteral("142720"), QStringLiteral("38400e72"), 11e6 / 38400};
const Line kFast{{"--baud", "115200", "--parity", "none", "--data-bits", "8", "--stop-bits", "1"},
                 QStringLiteral("160810"),
                 QStringLiteral("115200n81"),
                 10e6 / 115200};

// How the console reaches the terminal.
enum class Path { Terminal, Rfc2217, RawTcp };

// velmorix-sim on a new terminal, its log in `dir`, and the console linked to it, directly or through
// ser2net.
struct Rig {
    Rig(const QStringList& simOptions, const Line& line, Path path) {
        const QString& setupCode = line.setup;
        sim.setProcessChannelMode(QProcess::MergedChannels);
        sim.start(QStringLiteral(VELMORIX_SIM_BINARY),
                  simOptions + QStringList{"--log", dir.file("sim.log")});
        QString printed;
        static const QRegularExpression where(QStringLiteral("controller on (\\S+)"));
        runFor(
            [&] {
                sim.waitForReadyRead(50);
                printed += QString::fromLocal8Bit(sim.readAll());
                return where.match(printed).hasMatch();
            },
            10000);
        QString device = where.match(printed).captured(1);
        if (path != Path::Terminal) {
            ser2net.start(device,
                          path == Path::Rfc2217 ? Ser2NetProcess::Mode::Rfc2217 : Ser2NetProcess::Mode::Raw,
                          line.ser2net);
            device = ser2net.url();
        }
        dir.write("Config/Environment.ini", "[ComPorts]\nCOM1=" + device.toLocal8Bit());
        console = std::make_unique<Console>(
            clock, prompts, [](const QString& name) { return makeDevicePort(name); }, dir.path());
        prompts.warningAnswer = {true, true};
        console->FormCreate({{setupCode, "GO"}, 24});
        runFor([&] { return console->state().live.AcceptedFrames > 2; }, 5000);
        console->ButtonFileSvcClick();
        runFor([&] { return !console->paused(); }, 2000);
        console->GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    ~Rig() {
        console.reset();
        ser2net.stop();
        sim.terminate();
        sim.waitForFinished(5000);
    }
    void load(int type, const QByteArray& bytes) {
        dir.write("f.Cnc", bytes);
        console->ComboBoxSendFileChange(type);
        prompts.openAnswers.push_back(dir.file("f.Cnc"));
        console->ButtonOpenFileClick();
        runFor([&] { return !console->filePage().loading() && console->filePage().fileListed(); }, 60000);
    }
    QString log() const { return QString::fromLatin1(dir.read("sim.log")); }
    // Seconds between the controller's "ready for" and "stored" notes, once "stored" is there.
    double controllerSeconds(const QString& stored, int ms) {
        QRegularExpressionMatch ready;
        QRegularExpressionMatch done;
        // The log grows by every byte: it is read twice a second, so the console's own loop runs free.
        runFor(
            [&] {
                const QString l = log();
                ready = QRegularExpression(QStringLiteral("([0-9.]+) ms  ---  ready for")).match(l);
                done = QRegularExpression(QStringLiteral("([0-9.]+) ms  ---  ") + stored).match(l);
                return done.hasMatch();
            },
            ms, 500);
        if (!ready.hasMatch() || !done.hasMatch())
            return -1;
        return (done.captured(1).toDouble() - ready.captured(1).toDouble()) / 1000.0;
    }

    TempWorkDir dir;
    QProcess sim;
    Ser2NetProcess ser2net;
    QtClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Console> console;
};

// A 64 KiB image as "3:PLC": its frame is 40 characters per 16 bytes, the records and the program line.
void WholeImage(benchmark::State& st, const Line& line, Path path) {
    double percent = 0;
    for (auto _ : st) {
        Rig rig(line.sim, line, path);
        QByteArray image;
        for (int i = 0; i < 64 * 1024; ++i)
            image += static_cast<char>(i * 7 + i / 300);
        rig.load(3, image);
        rig.console->ButtonSendOutClick();
        const double seconds = rig.controllerSeconds(QStringLiteral("stored 1005"), 120000);
        const double frame = 40.0 * (4096 + 2) + 11;
        if (seconds <= 0)
            st.SkipWithError("the controller did not store the image");
        percent = 100.0 * frame * line.charUs / 1e6 / seconds;
    }
    st.counters["percent_of_line_rate"] = percent;
}

// 3000 lines of 20 characters to a controller that runs each at once (a dwell of no length, no move).
void Dnc(benchmark::State& st, const Line& line, Path path) {
    double percent = 0;
    for (auto _ : st) {
        Rig rig(line.sim + QStringList{"--dnc-line-ms", "0"}, line, path);
        QByteArray program;
        for (int i = 1; i <= 3000; ++i)
            program += "N" + QByteArray::number(i).rightJustified(6, '0') + " G04 P000001\r\n";
        rig.load(13, program);
        rig.console->ButtonSendOutClick();
        const double seconds = rig.controllerSeconds(QStringLiteral("stored 1006"), 180000);
        if (seconds <= 0)
            st.SkipWithError("the controller did not store the run");
        percent = 100.0 * 3000 * 20 * line.charUs / 1e6 / seconds; // 19 characters and CR a line
    }
    st.counters["percent_of_line_rate"] = percent;
}

} // namespace

BENCHMARK_CAPTURE(WholeImage, at38400_7E2, kSlow, Path::Terminal)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(WholeImage, at115200_8N1, kFast, Path::Terminal)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(WholeImage, ser2net_rfc2217_at115200_8N1, kFast, Path::Rfc2217)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(WholeImage, ser2net_raw_at115200_8N1, kFast, Path::RawTcp)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(Dnc, at38400_7E2, kSlow, Path::Terminal)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(Dnc, at115200_8N1, kFast, Path::Terminal)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(Dnc, ser2net_rfc2217_at115200_8N1, kFast, Path::Rfc2217)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(Dnc, ser2net_raw_at115200_8N1, kFast, Path::RawTcp)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
