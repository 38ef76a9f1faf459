#pragma once

#include "core/base/hold.h"
#include "core/base/message_line.h"
#include "core/base/state.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "core/poll/poll_cycle.h"
#include "support/fake_port.h"
#include "support/manual_clock.h"
#include "support/scripted_prompts.h"

#include <QStringList>

namespace velmorix::fuzz {

// The poll tick on a fake port whose DSR and CTS are on: what a test feeds the port, the next
// Timer2Timer reads, at most the ring's tail a tick, for the status ring or a waiting transfer.
struct PollRig {
    PollRig()
        : hold(clock), link(state, prompts, hold, clock,
                            [this](const QString&) {
                                auto p = std::make_unique<test::FakePort>();
                                port = p.get();
                                return p;
                            }),
          poll(state, link, transfer, message, clock, errorTexts) {
        errorTexts = QStringList(100);
        errorTexts[7] = QStringLiteral("Tool");
        link.setHooks({.ringReset = [this] { poll.ring().reset(); },
                       .dncRunning = [this] { return transfer.dncSending(); },
                       .runOwnsLine = [this] { return transfer.dncOwnsLine(); }});
        if (!link.OpenPort() || !state.line.LinkUp)
            abort(); // the rig, not the input
    }

    // One tick after `bytes` arrived, the clock moved by `ms` first.
    void tick(const QByteArray& bytes, int ms = 100) {
        port->feed(bytes);
        clock.advance(ms);
        poll.Timer2Timer();
    }

    test::ManualClock clock;
    test::ScriptedPrompts prompts;
    ConsoleState state;
    MessageLine message;
    QStringList errorTexts;
    Hold hold;
    Transfer transfer;
    test::FakePort* port = nullptr;
    Link link;
    PollCycle poll;
};

} // namespace velmorix::fuzz
