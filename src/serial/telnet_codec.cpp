#include "serial/telnet_codec.h"

namespace velmorix::telnet {

QByteArray bytes(std::initializer_list<quint8> list) {
    QByteArray out;
    out.reserve(qsizetype(list.size()));
    for (const quint8 b : list)
        out += char(b);
    return out;
}

QByteArray escape(const QByteArray& data) {
    if (!data.contains(char(kIac)))
        return data;
    QByteArray out;
    out.reserve(data.size() + data.count(char(kIac)));
    for (const char b : data) {
        out += b;
        if (quint8(b) == kIac)
            out += b;
    }
    return out;
}

QByteArray negotiation(quint8 verb, quint8 option) {
    return bytes({kIac, verb, option});
}

void Parser::data(char byte, QList<Item>& out) {
    if (out.isEmpty() || out.back().kind != Item::Kind::Data)
        out.push_back({});
    out.back().bytes += byte;
}

void Parser::subByte(char byte) {
    if (m_sub.size() < kMaxSubnegotiation)
        m_sub += byte;
    else
        m_subTooLong = true;
}

void Parser::afterIac(quint8 b) {
    if (b >= kWill) {
        m_verb = b;
        m_state = State::Verb;
    } else if (b == kSb) {
        m_state = State::SbOption;
    } else {
        m_state = State::Data; // NOP, go-ahead, break, ... and a stray SE
    }
}

QList<Item> Parser::feed(const QByteArray& bytes) {
    QList<Item> out;
    for (const char c : bytes) {
        const quint8 b = quint8(c);
        switch (m_state) {
        case State::Data:
            if (b == kIac)
                m_state = State::Iac;
            else
                data(c, out);
            break;
        case State::Iac:
            if (b == kIac) {
                data(c, out);
                m_state = State::Data;
            } else {
                afterIac(b);
            }
            break;
        case State::Verb:
            out.push_back({Item::Kind::Negotiation, m_verb, b, {}});
            m_state = State::Data;
            break;
        case State::SbOption:
            m_option = b;
            m_sub.clear();
            m_subTooLong = false;
            m_state = State::Sb;
            break;
        case State::Sb:
            if (b == kIac)
                m_state = State::SbIac;
            else
                subByte(c);
            break;
        case State::SbIac:
            if (b == kIac) {
                subByte(c);
                m_state = State::Sb;
                break;
            }
            // IAC SE ends it; any other command ends it too (a peer that broke the rule) and counts.
            if (!m_subTooLong)
                out.push_back({Item::Kind::Subnegotiation, 0, m_option, m_sub});
            m_sub.clear();
            if (b == kSe)
                m_state = State::Data;
            else
                afterIac(b);
            break;
        }
    }
    return out;
}

} // namespace velmorix::telnet

namespace velmorix::rfc2217 {

QByteArray command(quint8 code, const QByteArray& value) {
    using namespace telnet;
    return bytes({kIac, kSb, kComPort, code}) + escape(value) + bytes({kIac, kSe});
}

QByteArray command(quint8 code, quint8 value) {
    return command(code, QByteArray(1, char(value)));
}

QByteArray rateBytes(quint32 rate) {
    return telnet::bytes({quint8(rate >> 24), quint8(rate >> 16), quint8(rate >> 8), quint8(rate)});
}

} // namespace velmorix::rfc2217
