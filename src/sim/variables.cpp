#include "sim/variables.h"

namespace velmorix::sim {

Variables::Variables(const Machine& machine, const Identity& identity, const QDateTime& clockAtZero)
    : m_machine(machine), m_clockAtZero(clockAtZero) {
    m_values[kType1] = typeWord(identity.typeText.left(4));
    m_values[kType2] = typeWord(identity.typeText.mid(5, 4));
    m_values[kVersion1] = identity.versionYear;
    m_values[kVersion2] = identity.versionDate;
    m_values[kSerial] = identity.serialNumber;
    // Registers with something to show; inputs with a fixed pattern of switches.
    m_values[kRegisters + 1] = 1234;
    m_values[kRegisters + 2] = -5;
    m_values[kRegisters + 3] = 65535;
    m_values[kInputs] = 0x00000025;
    m_values[kInputs + 1] = 0x00010000;
}

qint32 Variables::typeWord(const QByteArray& four) {
    quint32 w = 0;
    for (int i = 0; i < 4; ++i)
        w = (w << 8) | static_cast<quint8>(i < four.size() ? four[i] : 0);
    return static_cast<qint32>(w);
}

QDateTime Variables::clockAt(qint64 atUs) const {
    return m_clockAtZero.addMSecs(atUs / 1000 + m_clockShiftMs);
}

qint32 Variables::read(int number, qint64 atUs) const {
    if (number >= kAxisCoordinate && number < kAxisCoordinate + Machine::kAxes)
        return m_machine.position(number - kAxisCoordinate, atUs);
    if (number >= kAxisFollowing && number < kAxisFollowing + Machine::kAxes)
        return m_machine.followingError(number - kAxisFollowing, atUs);
    if (number >= kAxisPulses && number < kAxisPulses + Machine::kAxes)
        return m_machine.pulses(number - kAxisPulses, atUs);
    if (number == kClockMode)
        return m_clockMode;
    if (number >= kClockFirst && number < kClockFirst + 8) {
        const QDateTime t = clockAt(atUs);
        const int hour = t.time().hour();
        const qint32 fields[8] = {t.date().year() % 100,    t.date().month(), t.date().day(),
                                  t.date().dayOfWeek() % 7, hour % 12,        t.time().minute(),
                                  t.time().second(),        hour / 12};
        return fields[number - kClockFirst];
    }
    const qint32 stored = m_values.value(number, 0);
    if (number == kTimers) // timer 0 runs in tenths of a second
        return stored + static_cast<qint32>((atUs - m_timerBaseUs) / 100000);
    if (number == kCounters) // counter 0 counts MDI commands
        return stored + m_mdiCount;
    if (number == kCounters + 1) // counter 1 counts monitor requests
        return stored + m_requestCount;
    if (number == kOutputs) { // output 0 blinks once a second, output 1 is on while an axis moves
        const qint32 blink = ((atUs / 500000) % 2) ? 1 : 0;
        const qint32 moving = m_machine.moving(atUs) ? 2 : 0;
        return stored ^ blink ^ moving;
    }
    return stored;
}

void Variables::write(int number, qint32 value, qint64 atUs) {
    if (number == kClockMode) {
        if (value == 2 && m_clockMode == 4) {
            const auto s = [this](int i) { return m_clockStaged.value(kClockFirst + i, 0); };
            const QDate date(2000 + s(0), s(1), s(2));
            const QTime time(s(4) + 12 * s(7), s(5), s(6));
            if (date.isValid() && time.isValid()) {
                const QDateTime wanted(date, time);
                m_clockShiftMs = clockAt(atUs).msecsTo(wanted) + m_clockShiftMs;
            }
        }
        m_clockMode = value;
        return;
    }
    if (number >= kClockFirst && number < kClockFirst + 8) {
        if (m_clockMode == 4)
            m_clockStaged[number] = value;
        return;
    }
    if (number == kTimers)
        m_timerBaseUs = atUs;
    if (number == kCounters)
        value -= m_mdiCount;
    if (number == kCounters + 1)
        value -= m_requestCount;
    m_values[number] = value;
}

} // namespace velmorix::sim
