#include "sim/dnc_runner.h"

#include "sim/faults.h"

namespace velmorix::sim {

void DncRunner::start() {
    m_active = true;
    m_ended = false;
    m_running = false;
    m_waiting.clear();
    m_waitingBytes = 0;
    m_executed.clear();
    m_executedCount = 0;
}

void DncRunner::abort() {
    m_active = false;
    m_running = false;
    m_waiting.clear();
    m_waitingBytes = 0;
}

void DncRunner::startNext(qint64 atUs, int lineMs, const Execute& execute) {
    if (m_running || m_waiting.isEmpty())
        return;
    const QByteArray line = m_waiting.takeFirst();
    m_waitingBytes -= line.size() + 1;
    m_running = true;
    if (m_keepExecuted)
        m_executed << line;
    ++m_executedCount;
    m_doneUs = std::max(atUs + qint64(lineMs) * 1000, execute(line, atUs));
}

void DncRunner::push(const QByteArray& line, qint64 atUs, int lineMs, const Execute& execute) {
    if (!m_active)
        return;
    m_waiting << line;
    m_waitingBytes += line.size() + 1;
    startNext(atUs, lineMs, execute);
}

void DncRunner::advance(qint64 atUs, int lineMs, const Execute& execute) {
    while (m_active && m_running && atUs >= m_doneUs) {
        m_running = false;
        startNext(m_doneUs, lineMs, execute);
    }
    if (m_active && m_ended && !m_running && m_waiting.isEmpty())
        m_active = false;
}

qint64 DncRunner::nextEventUs() const {
    return m_active && m_running ? m_doneUs : kForever;
}

} // namespace velmorix::sim
