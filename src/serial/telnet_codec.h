#pragma once

#include <QByteArray>
#include <QList>
#include <initializer_list>

namespace velmorix::telnet {

// Telnet (RFC 854) as a device server in RFC 2217 mode speaks it: the data with IAC doubled, option
// negotiation, and subnegotiation that carries the com-port commands. No sockets here: bytes in,
// items out, so the parser is tested and fuzzed alone.

inline constexpr quint8 kIac = 0xFF;
inline constexpr quint8 kSe = 240;
inline constexpr quint8 kSb = 250;
inline constexpr quint8 kWill = 251;
inline constexpr quint8 kWont = 252;
inline constexpr quint8 kDo = 253;
inline constexpr quint8 kDont = 254;

inline constexpr quint8 kBinary = 0;
inline constexpr quint8 kSuppressGoAhead = 3;
inline constexpr quint8 kComPort = 44;

// These bytes as a byte array.
QByteArray bytes(std::initializer_list<quint8> list);
// The bytes of `data` as they travel: every 0xFF doubled.
QByteArray escape(const QByteArray& data);
// IAC `verb` `option`.
QByteArray negotiation(quint8 verb, quint8 option);

// What a telnet peer sent, in the order it was sent.
struct Item {
    enum class Kind { Data, Negotiation, Subnegotiation };
    Kind kind = Kind::Data;
    quint8 verb = 0;   // Negotiation: kWill, kWont, kDo or kDont
    quint8 option = 0; // Negotiation and Subnegotiation
    QByteArray bytes;  // Data: the data bytes; Subnegotiation: what followed the option, unescaped

    bool operator==(const Item&) const = default;
};

// Reads a telnet stream that may be split anywhere between calls. Consecutive data bytes come as one
// item. Commands other than negotiation and subnegotiation (NOP, break, go-ahead, ...) carry nothing
// for a serial line and are dropped; so is a subnegotiation longer than kMaxSubnegotiation, which no
// com-port command is, so that a peer cannot make it grow without bound.
class Parser {
public:
    static constexpr qsizetype kMaxSubnegotiation = 64;

    QList<Item> feed(const QByteArray& bytes);
    // Forgets a half-read sequence (a new connection).
    void reset() { *this = Parser(); }

private:
    enum class State { Data, Iac, Verb, Sb, SbOption, SbIac };
    void data(char byte, QList<Item>& out);
    void subByte(char byte);
    void afterIac(quint8 b);

    State m_state = State::Data;
    quint8 m_verb = 0;
    quint8 m_option = 0;
    QByteArray m_sub;
    bool m_subTooLong = false;
};

} // namespace velmorix::telnet

namespace velmorix::rfc2217 {

// The com-port commands of RFC 2217 as the client sends them; a server answers each with the code
// plus kServerOffset and the value it now has.
inline constexpr quint8 kSetBaudRate = 1;
inline constexpr quint8 kSetDataSize = 2;
inline constexpr quint8 kSetParity = 3;
inline constexpr quint8 kSetStopSize = 4;
inline constexpr quint8 kSetControl = 5;
inline constexpr quint8 kNotifyLineState = 6;
inline constexpr quint8 kNotifyModemState = 7;
inline constexpr quint8 kSetLineStateMask = 10;
inline constexpr quint8 kSetModemStateMask = 11;
inline constexpr quint8 kPurgeData = 12;
inline constexpr quint8 kServerOffset = 100;

// SET-CONTROL values.
inline constexpr quint8 kNoFlowControl = 1;
inline constexpr quint8 kHardwareFlowControl = 3;
inline constexpr quint8 kDtrOn = 8;
// PURGE-DATA values: the server's buffer of what came from the line, of what goes to it.
inline constexpr quint8 kPurgeReceived = 1;
inline constexpr quint8 kPurgeToSend = 2;
// Modem state bits.
inline constexpr quint8 kCtsBit = 0x10;
inline constexpr quint8 kDsrBit = 0x20;
inline constexpr quint8 kDeltaCtsBit = 0x01;
inline constexpr quint8 kDeltaDsrBit = 0x02;

// IAC SB COM-PORT-OPTION `code` `value` IAC SE, with 0xFF in the value doubled.
QByteArray command(quint8 code, const QByteArray& value);
QByteArray command(quint8 code, quint8 value);
// A rate as SET-BAUDRATE carries it: four bytes, most significant first.
QByteArray rateBytes(quint32 rate);

} // namespace velmorix::rfc2217
