#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace velmorix {

// Control bytes of the controller's program-tape frames.
namespace ctl {
inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char TAB = 0x09;
inline constexpr char CR = 0x0D;
inline constexpr char DC1 = 0x11; // XON
inline constexpr char DC2 = 0x12; // opens a block
inline constexpr char DC3 = 0x13; // XOFF
inline constexpr char DC4 = 0x14; // closes a block
} // namespace ctl

// A 32-bit value as eight hex digits, most significant first, digit d sent as the byte 0x30 + d
// ("0".."9", then ":" ";" "<" "=" ">" "?"); negative values in two's complement.
QByteArray FormatHex8(qint32 value);

// For i = 0 .. count-1: CR, "D", decimal(first + i). Empty for count <= 0.
QByteArray FormatAddressList(qint32 first, qint32 count);

// Value of the first `digits` (1..8) digit bytes of text: each byte's top bit cleared, ":".."?" (and
// "A".."F") counting 10..15, any other byte its code minus 0x30. Missing bytes add nothing.
quint32 parseHexDigits(const QByteArray& text, int digits);
// The same over exactly `digits` bytes the caller has.
quint32 parseHexBytes(const char* bytes, int digits);

// The digit text of eight digit bytes as a person reads it: top bits cleared, ":".."?" shown as
// "A".."F".
QByteArray digitText(const char* digits);

} // namespace velmorix
