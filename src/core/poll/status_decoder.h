#pragma once

#include "core/base/state.h"
#include "core/poll/status_ring.h"

#include <QStringList>

namespace velmorix {

class MessageLine;

// A status frame as the controller streams it, positions counted from its DC2:
//
//   0          DC2
//   1 .. 8     not examined
//   9          "H"
//   10 .. 17   item 0, the status word: eight digit bytes
//   18 .. 22   not examined
//   13 + 10k   marker of item k ("d"), k = 1 .. N
//   14 + 10k   eight digit bytes of item k
//   22 + 10k   separator, not examined
//   23 + 10N   "%"
//   24 + 10N   DC4
//
// Item k is decoded only while the byte at 23 + 10k (the next item's marker, or the "%") is "d" or
// "%". N is the item count of the monitor request the frame answers.
namespace status_frame {
inline constexpr int kStatusMark = 9;
inline constexpr int kStatusDigits = 10;
inline constexpr int kItemDigits = 14; // + 10k
inline constexpr int kItemCheck = 23;  // + 10k
inline constexpr int kItemStride = 10;
inline constexpr int kEndDistance = 24; // DC4 lies 10N + 24 positions after DC2

inline int dc4Distance(int itemCount) {
    return kItemStride * itemCount + kEndDistance;
}
} // namespace status_frame

// Finds the newest complete status frame in the ring: a DC2 whose DC4 lies exactly 10·N + 24
// positions on. Scans the unscanned bytes (from just after the current frame's start, or the oldest
// byte the ring holds once reads ran over that) to the last byte written, and leaves FrameStart
// alone when nothing new is complete.
void findFrame(StatusRing& ring, int itemCount);

// What the status word (item 0) says, from its eight digit bytes.
struct StatusWord {
    int errorNumber = 0; // first two digits as a decimal number; a letter ("A".."F") counts its code - 0x30
    int replySeq = 0;    // the last digit's value, 0..7
};
StatusWord decodeStatusWord(const char* raw);

// Decodes the frame at FrameStart into the live values and the status panel, and decides whether
// it answers the current monitor request (FrameValid).
class StatusDecoder {
public:
    StatusDecoder(ConsoleState& state, MessageLine& message, const QStringList& errorTexts)
        : m_state(state), m_message(message), m_errorTexts(errorTexts) {}

    void decode(const StatusRing& ring, int itemCount);

private:
    // The status word; false when the frame is to be abandoned (no "H", or a stale sequence).
    bool takeStatusWord(const char* raw, bool marked);
    void takeTypeItem(int item, const char* raw);

    ConsoleState& m_state;
    MessageLine& m_message;
    const QStringList& m_errorTexts;
};

} // namespace velmorix
