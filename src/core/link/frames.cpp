#include "core/link/frames.h"

#include "core/link/digits.h"

namespace velmorix::frames {

namespace {

QByteArray block(const QByteArray& programLine, const QByteArray& body) {
    QByteArray out;
    out.reserve(body.size() + 16);
    out += ctl::DC2;
    out += '%';
    out += ctl::CR;
    out += programLine;
    out += body;
    out += ctl::CR;
    out += '%';
    out += ctl::DC4;
    return out;
}

QByteArray framed(const QByteArray& inner) {
    return QByteArray(5, ctl::STX) + inner + QByteArray(5, ctl::ETX);
}

} // namespace

QByteArray monitorRequest(const QByteArray& data) {
    return framed(block("O9000", QByteArray(1, ctl::CR) + data));
}

QByteArray linkReset() {
    return framed(QByteArray(1, ctl::DC4) + block("O9000", QByteArray(1, ctl::CR) + "N1"));
}

QByteArray valueWrite(qint32 number, qint32 value) {
    return block("O9012", QByteArray(1, ctl::CR) + 'N' + QByteArray::number(number) + ctl::CR + 'D' +
                              FormatHex8(value));
}

QByteArray namedValueWrite(qint32 number, qint32 value, const QByteArray& name) {
    return block("O9012(" + name + ')', QByteArray(1, ctl::CR) + 'N' + QByteArray::number(number) + ctl::CR +
                                            'd' + FormatHex8(value));
}

QByteArray mdi(const QByteArray& command) {
    return block("O9000", QByteArray(1, ctl::CR) + "N000011" + ctl::CR + command);
}

QByteArray resetSignal() {
    return QByteArray(1, ctl::DC4) + QByteArray(4, ctl::TAB);
}

QByteArray abortMark() {
    return QByteArray("%") + ctl::DC4;
}

QByteArray monitorData(int itemCount, const QByteArray& addressList) {
    QByteArray out = "N0";
    out += ctl::CR;
    out += 'v';
    out += QByteArray::number(itemCount);
    out += addressList;
    return out;
}

} // namespace velmorix::frames
