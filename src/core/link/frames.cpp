#include "core/link/frames.h"

#include "core/link/digits.h"

#include <QList>

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

QByteArray MonitorRequest(const QByteArray& data) {
    return framed(block("O9000", QByteArray(1, ctl::CR) + data));
}

QByteArray LinkReset() {
    return framed(QByteArray(1, ctl::DC4) + block("O9000", QByteArray(1, ctl::CR) + "N1"));
}

QByteArray ValueWrite(qint32 number, qint32 value) {
    return block("O9012", QByteArray(1, ctl::CR) + 'N' + QByteArray::number(number) + ctl::CR + 'D' +
                              FormatHex8(value));
}

QByteArray NamedValueWrite(qint32 number, qint32 value, const QByteArray& name) {
    return block("O9012(" + name + ')', QByteArray(1, ctl::CR) + 'N' + QByteArray::number(number) + ctl::CR +
                                            'd' + FormatHex8(value));
}

QByteArray Mdi(const QByteArray& command) {
    return block("O9000", QByteArray(1, ctl::CR) + "N000011" + ctl::CR + command);
}

QByteArray ResetSignal() {
    return QByteArray(1, ctl::DC4) + QByteArray(4, ctl::TAB);
}

QByteArray AbortMark() {
    return QByteArray("%") + ctl::DC4;
}

QByteArray MonitorData(const QList<qint32>& addresses) {
    QByteArray out = "N0";
    out += ctl::CR;
    out += 'v';
    out += QByteArray::number(addresses.size());
    for (qint32 a : addresses) {
        out += ctl::CR;
        out += 'D';
        out += QByteArray::number(a);
    }
    return out;
}

} // namespace velmorix::frames
