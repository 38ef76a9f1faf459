#include "sim/dnc_runner.h"

#include "sim/codec.h"
#include "sim/faults.h"

namespace velmorix::sim {

void DncRunner::start(const Marks& marks) {
    m_marks = marks;
    m_active = true;
    m_ended = false;
    m_xoffSent = false;
    m_running = false;
    m_buffer.clear();
    m_executed.clear();
    m_lost = 0;
}

void DncRunner::abort() {
    m_active = false;
    m_running = false;
    m_buffer.clear();
}

void DncRunner::startNext(qint64 atUs, int lineMs, const Execute& execute) {
    if (m_running || m_buffer.isEmpty())
        return;
    m_running = true;
    m_executed << m_buffer.first();
    m_doneUs = std::max(atUs + qint64(lineMs) * 1000, execute(m_buffer.first(), atUs));
}

char DncRunner::push(const QByteArray& line, qint64 atUs, int lineMs, const Execute& execute) {
    if (!m_active)
        return 0;
    if (m_buffer.size() >= m_marks.capacity) {
        ++m_lost;
        return 0;
    }
    m_buffer << line;
    startNext(atUs, lineMs, execute);
    if (!m_xoffSent && m_buffer.size() >= m_marks.high) {
        m_xoffSent = true;
        return kXoff;
    }
    return 0;
}

char DncRunner::advance(qint64 atUs, int lineMs, const Execute& execute) {
    char flow = 0;
    while (m_active && m_running && atUs >= m_doneUs) {
        const qint64 doneUs = m_doneUs;
        m_running = false;
        m_buffer.removeFirst();
        if (m_xoffSent && m_buffer.size() <= m_marks.low) {
            m_xoffSent = false;
            flow = kXon;
        }
        startNext(doneUs, lineMs, execute);
    }
    if (m_active && m_ended && !m_running && m_buffer.isEmpty())
        m_active = false;
    return flow;
}

qint64 DncRunner::nextEventUs() const {
    return m_active && m_running ? m_doneUs : kForever;
}

} // namespace velmorix::sim
