#include "sim/status_stream.h"

#include "sim/codec.h"

namespace velmorix::sim {

QByteArray StatusStream::frame(const QByteArray& statusWord, const QList<qint32>& values) {
    QByteArray f;
    f.reserve(10 * values.size() + 25);
    f += kDc2;
    f += "%\rO9000\r";
    f += 'H';
    f += statusWord;
    f += kCr;
    f += 'v';
    f += QByteArray::number(1000 + values.size() % 1000).mid(1);
    for (qint32 v : values) {
        f += 'd';
        f += digits8(v);
        f += kCr;
    }
    f += '%';
    f += kDc4;
    return f;
}

QByteArray StatusStream::statusWord(int errorNumber, int state, int sequence) {
    QByteArray w = QByteArray::number(100 + (errorNumber % 100)).mid(1);
    w += static_cast<char>('0' + (state % 10));
    w += "0000";
    w += static_cast<char>('0' + (sequence & 7));
    return w;
}

void StatusStream::start(const QList<int>& list, qint64 atUs) {
    m_list = list;
    m_sequence = (m_sequence + 1) & 7;
    resume(atUs);
}

void StatusStream::resume(qint64 atUs) {
    m_streaming = true;
    m_nextDueUs = atUs;
}

} // namespace velmorix::sim
