// The telnet parser of the network port, which reads whatever a device server sends: data escaped by
// the port's own rule reads back as that data and nothing else, however it is split; any stream, in
// chunks, reads as it does whole, and no item breaks the parser's bounds.
#include "serial/telnet_codec.h"

#include "fuzz_input.h"

using namespace velmorix;
using telnet::Item;

namespace {

// Consecutive data items as one, so that splits compare.
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

void check(const QList<Item>& items) {
    for (qsizetype i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        switch (item.kind) {
        case Item::Kind::Data:
            if (item.bytes.isEmpty() || (i > 0 && items[i - 1].kind == Item::Kind::Data))
                abort();
            break;
        case Item::Kind::Negotiation:
            if (item.verb < telnet::kWill || !item.bytes.isEmpty())
                abort();
            break;
        case Item::Kind::Subnegotiation:
            if (item.bytes.size() > telnet::Parser::kMaxSubnegotiation)
                abort();
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);

    // What the port sends is read back as data alone.
    const QByteArray payload = in.chunk();
    const QByteArray wire = telnet::escape(payload);
    telnet::Parser back;
    QList<Item> items;
    for (qsizetype at = 0; at < wire.size();) {
        const qsizetype n = 1 + in.byte() % 16;
        items += back.feed(wire.mid(at, n));
        at += n;
    }
    const QList<Item> whole = joined(items);
    if (payload.isEmpty()
            ? !whole.isEmpty()
            : (whole.size() != 1 || whole[0].kind != Item::Kind::Data || whole[0].bytes != payload))
        abort();

    // Anything else, in the chunks the input gives, against the same stream read whole.
    QByteArray stream;
    telnet::Parser chunked;
    QList<Item> got;
    while (!in.empty()) {
        const QByteArray chunk = in.chunk();
        stream += chunk;
        const QList<Item> part = chunked.feed(chunk);
        check(part);
        got += part;
    }
    const QList<Item> all = telnet::Parser().feed(stream);
    check(all);
    if (joined(got) != all)
        abort();
    return 0;
}
