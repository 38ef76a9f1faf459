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

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    sim::SimulatedPort* port = nullptr;
    Console console;
};

} // namespace velmorix::test
