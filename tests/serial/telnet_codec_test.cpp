#include "serial/telnet_codec.h"

#include <gtest/gtest.h>
#include <ostream>

namespace velmorix::telnet {

void PrintTo(const Item& item, std::ostream* os) {
    *os << (item.kind == Item::Kind::Data          ? "data"
            : item.kind == Item::Kind::Negotiation ? "neg"
                                                   : "sub")
        << '(' << int(item.verb) << ',' << int(item.option) << ',' << item.bytes.toHex(' ').toStdString()
        << ')';
}

namespace {

template <size_t N> QByteArray bytesOf(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

// Data runs that a split cut in two are one run again, so that splits compare.
QList<Item> joined(const QList<Item>& items) {
    QList<Item> out;
    for (const Item& item : items) {
        if (item.kind == Item::Kind::Data && !out.isEmpty() && out.back().kind == Item::Kind::Data)
            out.back().bytes += item.bytes;
        else
            out << item;
    }
    return out;
}

TEST(TelnetParser, DataCommandsAndComPortAnswersReadTheSameWhereverTheStreamIsSplit) {
    // Data with a doubled IAC, WILL BINARY, a modem state, NOP, a rate with zero bytes, and a value
    // with a doubled IAC inside the subnegotiation.
    const QByteArray stream = bytesOf("ab\xff\xff"
                                      "c\xff\xfb\x00"
                                      "d\xff\xfa\x2c\x6b\x30\xff\xf0\xff\xf1\xff\xff"
                                      "\xff\xfa\x2c\x65\x00\x01\xc2\x00\xff\xf0"
                                      "\xff\xfa\x2c\x01\xff\xff\xff\xf0"
                                      "e");
    const QList<Item> expected{
        {Item::Kind::Data, 0, 0,
         bytesOf("ab\xff"
                 "c")},
        {Item::Kind::Negotiation, 0xFB, 0x00, {}},
        {Item::Kind::Data, 0, 0, "d"},
        {Item::Kind::Subnegotiation, 0, 44, bytesOf("\x6b\x30")},
        {Item::Kind::Data, 0, 0, bytesOf("\xff")},
        {Item::Kind::Subnegotiation, 0, 44, bytesOf("\x65\x00\x01\xc2\x00")},
        {Item::Kind::Subnegotiation, 0, 44, bytesOf("\x01\xff")},
        {Item::Kind::Data, 0, 0, "e"},
    };
    EXPECT_EQ(Parser().feed(stream), expected);
    for (qsizetype cut = 1; cut < stream.size(); ++cut) {
        Parser p;
        QList<Item> items = p.feed(stream.left(cut));
        items += p.feed(stream.mid(cut));
        EXPECT_EQ(joined(items), expected) << "cut at " << cut;
    }
    Parser oneByOne;
    QList<Item> items;
    for (const char b : stream)
        items += oneByOne.feed(QByteArray(1, b));
    EXPECT_EQ(joined(items), expected);
}

TEST(TelnetParser, AnOverlongSubnegotiationIsDroppedAndWhatFollowsIsRead) {
    const QByteArray stream =
        bytesOf("\xff\xfa\x2c") + QByteArray(200, 'x') + bytesOf("\xff\xf0\xff\xfa\x2c\x6b\x20\xff\xf0z");
    const QList<Item> expected{{Item::Kind::Subnegotiation, 0, 44, bytesOf("\x6b\x20")},
                               {Item::Kind::Data, 0, 0, "z"}};
    EXPECT_EQ(Parser().feed(stream), expected);
}

} // namespace
} // namespace velmorix::telnet
