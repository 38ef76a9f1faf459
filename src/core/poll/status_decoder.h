#pragma once

#include "core/app/state.h"
#include "core/poll/status_ring.h"

#include <QStringList>
#include <functional>

namespace velmorix {

// Finds the newest complete status frame in the ring: a DC2 whose DC4 lies exactly 10·N + 24
// positions on. Scans from just after the current frame's start to the last byte written, and
// leaves FrameStart alone when nothing new is complete.
void FindFrame(StatusRing& ring, int itemCount);

// The eight digit bytes of an item as its digit text: top bit cleared, bytes above "9" turned into
// letters by adding 7 (":" is "A", "?" is "F").
QByteArray DigitText(const unsigned char* digits);
// Value of a digit text: "A".."F" count 10..15, any other byte its code minus 0x30.
qint32 DigitValue(const QByteArray& digitText);

// Decodes the frame at FrameStart into the live values and the status panel, and decides whether
// it answers the current monitor request (FrameValid).
class StatusDecoder {
public:
    StatusDecoder(ConsoleState& state, const QStringList& errorTexts)
        : m_state(state), m_errorTexts(errorTexts) {}

    void Decode(const StatusRing& ring, int itemCount);

private:
    ConsoleState& m_state;
    const QStringList& m_errorTexts;
};

// The controller's answer to a file request: DC4 "@WRITE(" name ")" and the body from its DC2.
// Works on RxText; may set RecvBody and cut RxText to start at the body.
void DetectWriteAnnouncement(ConsoleState& state);

// The controller's go-ahead for a file the console offers: DC4 "@READ(" … ")". Returns true (and
// empties RxText, sets Sending) when it has arrived.
bool DetectReadAcknowledgement(ConsoleState& state);

} // namespace velmorix
