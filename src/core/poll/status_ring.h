#pragma once

#include <QByteArray>
#include <array>

namespace velmorix {

// The receive ring of status frames: 8192 bytes (positions modulo 8192) followed by a 4096-byte
// tail that takes the bytes of one read running past the end before they are copied to the front.
struct StatusRing {
    static constexpr int kSize = 8192;
    static constexpr int kTail = 4096;
    static constexpr int kMask = kSize - 1;

    std::array<unsigned char, kSize + kTail> bytes{};
    int RingWrite = 0;
    int FrameStart = -1;
    // The bytes before RingWrite the frame finder looks at: those after FrameStart's DC2 (all
    // written since the reset while there is none), at most the whole ring. A read that runs over
    // the scan's start leaves the ring's oldest byte as the start, so no complete frame is skipped.
    int Unscanned = 0;

    void reset() {
        bytes.fill(0);
        RingWrite = 0;
        FrameStart = -1;
        Unscanned = 0;
    }

    // Accounts for n bytes just written at the old RingWrite. A frame whose DC2 they overwrote is
    // gone: FrameStart is -1 until the finder takes a newer one.
    void wrote(int oldWrite, int n) {
        if (FrameStart >= 0 && ((FrameStart - oldWrite) & kMask) < n)
            FrameStart = -1;
        Unscanned = Unscanned + n > kSize ? kSize : Unscanned + n;
    }
};

} // namespace velmorix
