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

// Value of the first `digits` (1..8) digit bytes of text, each digit being its code minus 0x30 after
// clearing the top bit and mapping letters "A".."F" to 10..15. Missing bytes count as 0 digits.
quint32 ParseHexDigits(const QByteArray& text, int digits);

} // namespace velmorix
