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

    void reset() {
        bytes.fill(0);
        RingWrite = 0;
        FrameStart = -1;
    }
};

} // namespace velmorix
