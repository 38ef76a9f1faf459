// What the controller does with each request the console's bytes make.
#include "sim/controller.h"

namespace velmorix::sim {

void SimulatedController::handle(const Request& r, qint64 atUs) {
    switch (r.kind) {
    case Request::Kind::LinkReset:
        onLinkReset(atUs);
        break;
    case Request::Kind::Monitor:
        m_variables.countRequest();
        m_stream.start(r.list, atUs);
        break;
    case Request::Kind::ValueWrite:
    case Request::Kind::NamedValueWrite:
        onValueWrite(r, atUs);
        break;
    case Request::Kind::Mdi:
        m_mdi << r.text;
        m_variables.countMdi();
        m_machine.execute(r.text, atUs);
        break;
    case Request::Kind::ResetSignal:
        onResetSignal(atUs);
        break;
    case Request::Kind::AbortMark:
        if (m_pendingType) {
            abortTransfer(QStringLiteral("abort mark"), atUs);
            m_parser.setMode(RequestParser::Mode::Requests);
        }
        break;
    case Request::Kind::UnknownBlock:
        m_unknownBlocks << r.text;
        break;
    case Request::Kind::FileBody:
        onFileBody(r.text, atUs);
        break;
    case Request::Kind::DncLine:
        onDncLine(r.text, atUs);
        break;
    case Request::Kind::DncEnd:
        onDncEnd(r.text, atUs);
        break;
    }
}

void SimulatedController::onLinkReset(qint64 atUs) {
    ++m_linkResets;
    m_stream.stop();
    if (m_pendingType)
        abortTransfer(QStringLiteral("link reset"), atUs);
    m_dnc.abort();
    m_parser.setMode(RequestParser::Mode::Requests);
}

void SimulatedController::onValueWrite(const Request& r, qint64 atUs) {
    if (r.kind == Request::Kind::NamedValueWrite && r.number == Variables::kAnnounce)
        announce(r.value, r.name, atUs);
    else if (r.number == Variables::kUpload && r.value == 255)
        enterUpload(atUs);
    else if (r.number >= Variables::kAxisCoordinate && r.number < Variables::kAxisCoordinate + Machine::kAxes)
        m_machine.setPosition(r.number - Variables::kAxisCoordinate, r.value, atUs);
    else
        m_variables.write(r.number, r.value, atUs);
}

void SimulatedController::onResetSignal(qint64 atUs) {
    ++m_resetSignals;
    // A body or a tape the reset signal breaks off is never kept, however much of it came.
    if (m_pendingType)
        abortTransfer(QStringLiteral("reset"), atUs);
    if (m_dnc.active()) {
        m_dnc.abort();
        record({FileService::kDnc, m_pendingName, TransferRecord::Outcome::Aborted,
                QStringLiteral("reset after %1 lines ran").arg(m_dnc.executedCount()), 0},
               atUs);
    }
    m_parser.setMode(RequestParser::Mode::Requests);
    m_machine.stop(atUs);
    m_machine.clearError();
    m_fileError = 0;
}

void SimulatedController::onFileBody(const QByteArray& content, qint64 atUs) {
    const TransferRecord rec = m_files.take(m_pendingType, m_pendingName, content, atUs);
    if (rec.outcome == TransferRecord::Outcome::Refused)
        m_fileError = FileService::kFileRefusedError;
    record(rec, atUs);
    m_pendingType = 0;
    m_parser.setMode(RequestParser::Mode::Requests);
}

void SimulatedController::onDncLine(const QByteArray& line, qint64 atUs) {
    const auto execute = [this](const QByteArray& l, qint64 at) {
        m_machine.execute(l, at);
        return m_machine.motionEndUs();
    };
    m_dnc.push(line, atUs, dncLineMs(atUs), execute);
}

void SimulatedController::onDncEnd(const QByteArray& lastLine, qint64 atUs) {
    if (!lastLine.isEmpty())
        onDncLine(lastLine, atUs);
    m_dnc.end();
    record({FileService::kDnc,
            m_pendingName,
            TransferRecord::Outcome::Stored,
            {},
            m_dnc.executedCount() + m_dnc.waitingLines()},
           atUs);
}

} // namespace velmorix::sim
