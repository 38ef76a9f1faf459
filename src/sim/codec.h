#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// Byte-level vocabulary of the controller's side of the line.
namespace velmorix::sim {

inline constexpr char kStx = 0x02;
inline constexpr char kEtx = 0x03;
inline constexpr char kTab = 0x09;
inline constexpr char kCr = 0x0D;
inline constexpr char kXon = 0x11;  // DC1
inline constexpr char kDc2 = 0x12;  // opens a block
inline constexpr char kXoff = 0x13; // DC3
inline constexpr char kDc4 = 0x14;  // closes a block
inline constexpr quint8 kArmAck = 0xCC;
inline constexpr quint8 kArmRefuse = 0x15;

// A value as the controller sends it: eight hex digits, digit d as the byte 0x30 + d.
QByteArray digits8(qint32 value);
// Reads eight digit bytes written that way ("0".."?"); also takes "A".."F". Empty on a bad digit.
std::optional<qint32> parseDigits8(const QByteArray& text);
// A decimal number without sign or with "-"; nullopt when it is not one.
std::optional<qint64> parseDecimal(const QByteArray& text);

// What a receiver reads when the sender's line settings differ from its own: a fixed scramble with
// no fixed point, so no byte survives a mismatched line unchanged.
quint8 garble(quint8 byte);

} // namespace velmorix::sim
