// The simulator's request parser: the console's own requests with numbers the input picks must read
// back as sent; then whatever else arrives, in chunks, each with the mode the controller is in
// (requests, a file body, a program fed line by line).
#include "core/link/digits.h"
#include "core/link/frames.h"
#include "sim/request_parser.h"

#include "fuzz_input.h"

using namespace velmorix;

namespace {

qint32 int32(fuzz::Input& in) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | in.byte();
    return static_cast<qint32>(v);
}

// The requests the console builds, with numbers from the input, read back as what was sent.
void roundTrip(fuzz::Input& in) {
    const qint32 number = int32(in) & 0x7FFFFFFF;
    const qint32 value = int32(in);
    QList<int> list;
    QByteArray addresses;
    for (int i = in.byte() % 5; i > 0; --i) {
        list << (int32(in) & 0x7FFFFFFF);
        addresses += FormatAddressList(list.last(), 1);
    }
    const QByteArray wire =
        frames::linkReset() + frames::monitorRequest(frames::monitorData(int(list.size()), addresses)) +
        frames::valueWrite(number, value) + frames::namedValueWrite(number, value, "PLC.Plc");
    sim::RequestParser parser;
    QList<sim::Request> got;
    for (const char b : wire)
        got << parser.feed(static_cast<quint8>(b));
    using K = sim::Request::Kind;
    if (got.size() != 4 || got[0].kind != K::LinkReset || got[1].kind != K::Monitor || got[1].list != list ||
        got[2].kind != K::ValueWrite || got[2].number != number || got[2].value != value ||
        got[3].kind != K::NamedValueWrite || got[3].number != number || got[3].value != value ||
        got[3].name != "PLC.Plc")
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    roundTrip(in);
    sim::RequestParser parser;
    while (!in.empty()) {
        const uint8_t control = in.byte();
        switch (control & 7) {
        case 0:
            parser.setMode(sim::RequestParser::Mode::Requests);
            break;
        case 1:
            parser.setMode(sim::RequestParser::Mode::FileBody);
            break;
        case 2:
            parser.setMode(sim::RequestParser::Mode::Dnc);
            break;
        case 3:
            parser.dropPartial();
            break;
        default:
            break;
        }
        const QByteArray chunk = in.chunk();
        for (const char b : chunk) {
            parser.feed(static_cast<quint8>(b));
            if (parser.partialLineBytes() < 0)
                abort();
        }
        sim::RequestParser::parseBlock(chunk);
    }
    return 0;
}
