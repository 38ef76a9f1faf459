#pragma once

#include "gui/main/form_main.h"
#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <gtest/gtest.h>

namespace velmorix::test {

// The window on a console linked to the in-process controller under the manual clock.
class WindowOnSimulator : public ::testing::Test {
protected:
    WindowOnSimulator()
        : console(
              clock, prompts,
              [this](const QString&) { return std::make_unique<sim::SimulatedPort>(controller, clock); },
              dir.path()),
          form(console) {}

    // The window's control of that name, as a T.
    template <typename T = QWidget> T* get(const QString& name) {
        auto* w = qobject_cast<T*>(form.control(name));
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    sim::SimulatedController controller;
    Console console;
    TFormMain form;
};

} // namespace velmorix::test
