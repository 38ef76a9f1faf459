#pragma once

#include "core/app/console.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/console_seam.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <gtest/gtest.h>

namespace velmorix::test {

// n bytes that run through every value: (i * seed + 11) mod 256.
inline QByteArray bytesOf(int n, int seed) {
    QByteArray b;
    for (int i = 0; i < n; ++i)
        b += static_cast<char>((i * seed + 11) & 0xFF);
    return b;
}

// The console linked to the in-process virtual controller under the manual clock.
class SimConsoleTest : public ::testing::Test {
protected:
    explicit SimConsoleTest(sim::ControllerOptions options = {})
        : controller(std::move(options)),
          console(
              clock, prompts,
              [this](const QString&) {
                  auto p = std::make_unique<sim::SimulatedPort>(controller, clock);
                  port = p.get();
                  return p;
              },
              dir.path()) {}

    void start(const QStringList& args = {"--simulator", "142720", "GO"}) { console.FormCreate({args, 24}); }
    const ConsoleState& state() const { return console.state(); }
    QString keyIn() const { return console.messageLine().text(); }
    ConsoleSeam seam() { return ConsoleSeam(console); }
    // Bytes the controller has received so far.
    QByteArray received() const { return controller.log().bytes(WireRecorder::Kind::ToController); }
    QByteArray sent() const { return controller.log().bytes(WireRecorder::Kind::ToConsole); }
    qint64 nowUs() const { return clock.nowUs(); }
    void tick(int n = 1) { clock.advance(100 * n); }
    // Writes the file and loads it as send type `item` through the open dialog.
    void load(int item, const QString& name, const QByteArray& bytes) {
        dir.write(name, bytes);
        console.ComboBoxSendFileChange(item);
        prompts.openAnswers.push_back(dir.file(name));
        console.ButtonOpenFileClick();
        clock.advance(1); // the load's slices
    }
    // A transfer, its verdict, a listing, an upload, a DNC run or a pause is under way, or bytes are
    // still on their way to the controller.
    bool busy() {
        return console.paused() || console.transfer().active() || console.transfer().awaitingVerdict() ||
               console.receiver().listing() || console.sender().uploading() ||
               (port && port->isOpen() && (port->outputCount() > 0 || controller.dnc().active()));
    }
    // Runs the clock in 10 ms steps until nothing is under way, or `ms` have passed.
    void runUntilIdle(int ms = 20000) {
        for (int t = 0; t < ms && busy(); t += 10)
            clock.advance(10);
        clock.advance(20);
    }
    // Saves the received file under `name` through the save dialog and reads it back.
    QByteArray save(const QString& name) {
        prompts.saveAnswers.push_back(dir.file(name));
        console.ButtonSaveFileClick();
        return dir.read(name);
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    sim::SimulatedPort* port = nullptr;
    Console console;
};

} // namespace velmorix::test
