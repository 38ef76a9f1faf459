#pragma once

#include <QByteArray>
#include <QList>

namespace velmorix::sim {

// The status stream: after a monitor request the controller sends, again and again, one frame with
// its status word and the current value of every variable of the request's list.
class StatusStream {
public:
    // Frame layout, positions from the DC2: 0 DC2; 1..8 "%" CR "O9000" CR; 9 "H"; 10..17 the status
    // word; 18..22 CR "v" and the item count in three digits; item k (from 1) "d" at 13 + 10k, its
    // digits at 14 + 10k .. 21 + 10k, CR at 22 + 10k; then "%" and DC4: 10 N + 25 bytes.
    static QByteArray frame(const QByteArray& statusWord, const QList<qint32>& values);
    // Eight digits: the error number as two decimal digits, the machine state, four zeros, and the
    // reply sequence last.
    static QByteArray statusWord(int errorNumber, int state, int sequence);

    // A monitor request: stream this list from now, with the next reply sequence.
    void start(const QList<int>& list, qint64 atUs);
    void stop() { m_streaming = false; }
    // Streaming again with the same list and sequence (after a program fed line by line started).
    void resume(qint64 atUs);

    bool streaming() const { return m_streaming; }
    const QList<int>& list() const { return m_list; }
    int sequence() const { return m_sequence; }

    // Whether a new frame may start at atUs; interval 0 streams back to back.
    bool due(qint64 atUs) const { return m_streaming && atUs >= m_nextDueUs; }
    qint64 nextDueUs() const { return m_nextDueUs; }
    void frameStarted(qint64 atUs, int intervalMs) { m_nextDueUs = atUs + qint64(intervalMs) * 1000; }

private:
    bool m_streaming = false;
    QList<int> m_list;
    int m_sequence = 0;
    qint64 m_nextDueUs = 0;
};

} // namespace velmorix::sim
