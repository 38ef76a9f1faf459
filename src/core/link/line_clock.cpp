#include "core/link/line_clock.h"

#include <algorithm>
#include <cmath>

namespace velmorix {

void LineClock::setSettings(const PortSettings& settings) {
    m_charUs = double(bitsPerCharacter(settings)) * 1e6 / double(std::max(settings.baudRate, 1));
    m_hardwareFlow = settings.hardwareFlow;
    if (!m_hardwareFlow && m_held) {
        m_held = false;
        m_doneUs = 0;
        m_heldLeftUs = 0;
    }
}

void LineClock::reset(qint64 nowUs) {
    m_doneUs = double(nowUs);
    m_heldLeftUs = 0;
}

void LineClock::wrote(qint64 bytes, qint64 nowUs) {
    if (bytes <= 0)
        return;
    const double time = double(bytes) * m_charUs;
    if (m_held)
        m_heldLeftUs += time;
    else
        m_doneUs = std::max(m_doneUs, double(nowUs)) + time;
}

void LineClock::setCts(bool on, qint64 nowUs) {
    if (!m_hardwareFlow)
        return;
    const double now = double(nowUs);
    if (!on && !m_held) {
        m_heldLeftUs = std::max(0.0, m_doneUs - now);
        m_held = true;
    } else if (on && m_held) {
        m_doneUs = now + m_heldLeftUs;
        m_heldLeftUs = 0;
        m_held = false;
    }
}

qint64 LineClock::modelled(qint64 nowUs) const {
    const double left = m_held ? m_heldLeftUs : m_doneUs - double(nowUs);
    if (left <= 0)
        return 0;
    // A character partly across is still in flight; the clock's microseconds round either way.
    return static_cast<qint64>(std::ceil(left / m_charUs - 0.01));
}

qint64 LineClock::inFlight(qint64 nowUs, qint64 driverCount) {
    const qint64 model = modelled(nowUs);
    if (driverCount <= model)
        return model;
    // The driver holds more than the model thought: those bytes need their time on the line yet.
    const double time = double(driverCount) * m_charUs;
    if (m_held)
        m_heldLeftUs = time;
    else
        m_doneUs = double(nowUs) + time;
    return driverCount;
}

qint64 LineClock::clearAtUs(qint64 nowUs) const {
    if (m_held)
        return nowUs + static_cast<qint64>(std::ceil(m_heldLeftUs));
    return std::max(nowUs, static_cast<qint64>(std::ceil(m_doneUs)));
}

} // namespace velmorix
