// The frame finder and the status decoder as the poll tick drives them: the input picks the page's
// block and the sequence state, then arrives in chunks, each read by one tick into the status ring.
#include "poll_rig.h"

#include "fuzz_input.h"

using namespace velmorix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    fuzz::PollRig rig;
    ConsoleState& s = rig.state;

    // The block of the current page (0 .. 32 variables: 14 .. 46 items), the axis group, and
    // whether the sequence is checked or adopted.
    const uint8_t setup = in.byte();
    s.block.PollBlockStart = 10000 + in.byte();
    s.block.PollBlockCount = setup % (kMaxBlockCount + 1);
    s.block.MonitorGroup = (setup >> 6) % 3;
    s.block.resubscribe();
    const uint8_t seq = in.byte();
    if (!(seq & 0x80))
        for (int i = 0; i < SequenceState::kAdoptions; ++i) // checking rather than adopting
            s.seq.adopted(s.seq.RequestSeq);
    rig.tick({}); // sends the request: the link reset clears the ring, RequestSeq advances
    s.seq.RequestSeq = seq & 7;

    while (!in.empty()) {
        const uint8_t ms = in.byte();
        rig.tick(in.chunk(), ms);
        const int start = rig.poll.ring().FrameStart;
        if (start < -1 || start >= StatusRing::kSize || rig.poll.ring().RingWrite < 0 ||
            rig.poll.ring().RingWrite >= StatusRing::kSize)
            abort();
    }
    // What a chunk left at the port beyond the tail arrives on the next ticks.
    while (rig.port->inputCount() > 0)
        rig.tick({});

    // Two seconds without an accepted frame make the console subscribe afresh; that request goes
    // out first.
    if (s.block.PollBlockChanged())
        rig.tick({});

    // Whatever came before, the next whole frame that carries the expected sequence is taken.
    const int n = s.block.PollItemCount;
    QByteArray frame = "\x12........H0000000" + QByteArray::number(s.seq.RequestSeq) + ".....";
    for (int k = 1; k <= n; ++k)
        frame += k == 1 ? "d0000162> " : "d00000000 ";
    frame += "%\x14";
    rig.tick(frame);
    if (!s.seq.FrameValid || s.status.axes[0] != QStringLiteral("    5,678"))
        abort();
    return 0;
}
