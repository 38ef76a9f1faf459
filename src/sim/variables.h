#pragma once

#include "sim/machine.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>

namespace velmorix::sim {

// Who the controller says it is.
struct Identity {
    QByteArray typeText = "SIM1-0001"; // four characters, "-", four characters
    qint32 versionYear = 2026;
    qint32 versionDate = 1208;
    qint32 serialNumber = 142857;
};

// The controller's variables: signed 32-bit values by number, with the ones that live on their own
// (axes, a running timer, a blinking output, counters) computed at the moment they are read, and the
// clock variables 9950..9958 with their setting protocol.
class Variables {
public:
    // Variable numbers the console relies on.
    static constexpr int kClockMode = 9950;  // 4 set, 2 commit, 1 run
    static constexpr int kClockFirst = 9951; // year%100, month, day, weekday, hour%12, minute, second, pm
    static constexpr int kSerial = 10991;
    static constexpr int kType1 = 10993;
    static constexpr int kType2 = 10994;
    static constexpr int kVersion1 = 10995;
    static constexpr int kVersion2 = 10996;
    static constexpr int kRegisters = 10000;
    static constexpr int kCounters = 10256;
    static constexpr int kTimers = 10512;
    static constexpr int kInputs = 10800;
    static constexpr int kOutputs = 10808;
    static constexpr int kUpload = 10211;
    static constexpr int kAnnounce = 10768;
    static constexpr int kAxisCoordinate = 12021;
    static constexpr int kAxisFollowing = 12121;
    static constexpr int kAxisPulses = 12141;

    Variables(const Machine& machine, const Identity& identity, const QDateTime& clockAtZero);

    qint32 read(int number, qint64 atUs) const;
    // Stores the value; the clock variables follow their protocol. Writes to the living variables
    // shift them (the timer counts on from the written value, the blink runs over the written bits).
    void write(int number, qint32 value, qint64 atUs);

    // The controller's own clock.
    QDateTime clockAt(qint64 atUs) const;
    void countMdi() { ++m_mdiCount; }
    void countRequest() { ++m_requestCount; }

private:
    static qint32 typeWord(const QByteArray& four);

    const Machine& m_machine;
    QHash<int, qint32> m_values;
    QDateTime m_clockAtZero;
    qint64 m_clockShiftMs = 0;
    qint32 m_clockMode = 1;
    QHash<int, qint32> m_clockStaged;
    qint64 m_timerBaseUs = 0;
    qint32 m_mdiCount = 0;
    qint32 m_requestCount = 0;
};

} // namespace velmorix::sim
