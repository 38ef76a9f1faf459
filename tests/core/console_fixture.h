#pragma once

#include "core/app/console.h"
#include "support/console_seam.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"
#include "support/temp_workdir.h"

#include <gtest/gtest.h>

namespace velmorix::test {

// A console on a fake port under the manual clock, in a fresh working directory.
class ConsoleTest : public ::testing::Test {
protected:
    explicit ConsoleTest(QTime timeOfDay = QTime(10, 0, 0)) : clock(timeOfDay) {
        console = std::make_unique<Console>(
            clock, prompts,
            [this](const QString& device) {
                devices << device;
                auto p = std::make_unique<FakePort>();
                p->openError = nextOpenError;
                p->refused = nextRefused;
                port = p.get();
                return p;
            },
            dir.path());
    }
    void start(const QStringList& args = {}) { console->FormCreate({args, 24}); }
    const ConsoleState& state() const { return console->state(); }
    QString keyIn() const { return console->messageLine().text(); }
    ConsoleSeam seam() { return ConsoleSeam(*console); }
    // Writes f.Cnc and loads it as send type `type` through the open dialog.
    void load(int type, const QByteArray& bytes) {
        dir.write("f.Cnc", bytes);
        console->ComboBoxSendFileChange(type);
        prompts.openAnswers.push_back(dir.file("f.Cnc"));
        console->ButtonOpenFileClick();
        clock.advance(1); // the load's slices
    }
    // Announces the loaded file and answers "@READ" as the controller would; the pump starts on the
    // poll tick that sees it.
    void sendAndAcknowledge() {
        console->ButtonSendOutClick();
        clock.advance(100);
        port->takeWritten();
        port->feed("\x14@READ(f.Cnc)");
    }
    // What was written but the link's requests (monitor requests and link resets): the file's bytes.
    QList<QByteArray> fileWrites() const {
        QList<QByteArray> out;
        for (const QByteArray& w : port->writes)
            if (!w.startsWith("\x02\x02"))
                out << w;
        return out;
    }

    ManualClock clock;
    ScriptedPrompts prompts;
    TempWorkDir dir;
    FakePort* port = nullptr;
    QString nextOpenError;
    QStringList nextRefused;
    QStringList devices;
    std::unique_ptr<Console> console;
};

} // namespace velmorix::test
