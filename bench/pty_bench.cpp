// Sending over the real path: the console with QtSerialPort on a pseudo-terminal to velmorix-sim, a
// program of its own, in real time. A pseudo-terminal reports an empty output queue whatever it holds,
// so the console is paced by its line clock alone. The share of the line's rate is the controller's
// view: from its "@READ" to its "stored" note in its own log, against the time the bytes need.
#include "core/app/console.h"
#include "platform/qt_clock.h"
#include "serial/qt_serial_port.h"
#include "support/scripted_prompts.h"
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

// velmorix-sim on a new terminal, its log in `dir`, and the console linked to it.
struct Rig {
    Rig(const QStringList& simOptions, const QString& setupCode) {
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
        dir.write("Config/Environment.ini",
                  "[ComPorts]\nCOM1=" + where.match(printed).captured(1).toLocal8Bit());
        console = std::make_unique<Console>(
            clock, prompts, [](const QString& device) { return std::make_unique<QtSerialPort>(device); },
            dir.path());
        prompts.warningAnswer = {true, true};
        console->FormCreate({{setupCode, "GO"}, 24});
        runFor([&] { return console->state().live.AcceptedFrames > 2; }, 5000);
        console->ButtonFileSvcClick();
        runFor([&] { return !console->paused(); }, 2000);
        console->GroupBoxOperateMouseDown(FilePage::Row::Send);
    }
    ~Rig() {
        console.reset();
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
    QtClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Console> console;
};

const QStringList kFast{"--baud", "115200", "--parity", "none", "--data-bits", "8", "--stop-bits", "1"};

// A 64 KiB image as "3:PLC": its frame is 40 characters per 16 bytes, the records and the program line.
void WholeImage(benchmark::State& st, const QStringList& simOptions, const QString& setup, double charUs) {
    double percent = 0;
    for (auto _ : st) {
        Rig rig(simOptions, setup);
        QByteArray image;
        for (int i = 0; i < 64 * 1024; ++i)
            image += static_cast<char>(i * 7 + i / 300);
        rig.load(3, image);
        rig.console->ButtonSendOutClick();
        const double seconds = rig.controllerSeconds(QStringLiteral("stored 1005"), 120000);
        const double frame = 40.0 * (4096 + 2) + 11;
        if (seconds <= 0)
            st.SkipWithError("the controller did not store the image");
        percent = 100.0 * frame * charUs / 1e6 / seconds;
    }
    st.counters["percent_of_line_rate"] = percent;
}

// 3000 lines of 20 characters to a controller that runs each at once.
void Dnc(benchmark::State& st, const QStringList& simOptions, const QString& setup, double charUs) {
    double percent = 0;
    for (auto _ : st) {
        Rig rig(simOptions + QStringList{"--dnc-line-ms", "0"}, setup);
        QByteArray program;
        for (int i = 1; i <= 3000; ++i)
            program += "N" + QByteArray::number(i).rightJustified(6, '0') + " G04 X0.001\r\n";
        rig.load(13, program);
        rig.console->ButtonSendOutClick();
        const double seconds = rig.controllerSeconds(QStringLiteral("stored 1006"), 180000);
        if (seconds <= 0)
            st.SkipWithError("the controller did not store the run");
        percent = 100.0 * 3000 * 20 * charUs / 1e6 / seconds; // 19 characters and CR a line
    }
    st.counters["percent_of_line_rate"] = percent;
}

} // namespace

BENCHMARK_CAPTURE(WholeImage, at38400_7E2, QStringList{}, QStringLiteral("142720"), 11e6 / 38400)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(WholeImage, at115200_8N1, kFast, QStringLiteral("160810"), 10e6 / 115200)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(Dnc, at38400_7E2, QStringList{}, QStringLiteral("142720"), 11e6 / 38400)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(Dnc, at115200_8N1, kFast, QStringLiteral("160810"), 10e6 / 115200)
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
