#include "core/app/jobs.h"

namespace velmorix {

void TransferJob::finish(const TransferEnd& result) {
    if (m_state == State::Done)
        return;
    m_result = result;
    m_state = State::Done;
    emit finished();
}

void CommandJob::finish(Result result) {
    if (m_done)
        return;
    m_result = std::move(result);
    m_done = true;
    emit finished();
}

} // namespace velmorix
