#include "sim/controller.h"

#include <algorithm>

#include "sim/codec.h"

namespace velmorix::sim {

namespace {
QString describe(const PortSettings& s) {
    return QStringLiteral("line ") + lineSettingsText(s);
}
} // namespace

SimulatedController::SimulatedController(ControllerOptions options)
    : m_options(std::move(options)), m_variables(m_machine, m_options.identity, m_options.clockAtZero),
      m_files(m_variables) {
    m_dnc.setKeepExecuted(m_options.keepDncLines);
}

PortSettings SimulatedController::lineSettings() const {
    if (!m_uploadLine)
        return m_options.line;
    PortSettings s = m_options.line;
    s.parity = Parity::None;
    s.dataBits = 8;
    s.stopBits = 1;
    return s;
}

bool SimulatedController::dsr(qint64 atUs) const {
    return carriesData() && !m_faults.active(Fault::DropDsr, atUs);
}

bool SimulatedController::cts(qint64 atUs) const {
    return carriesData() && !m_inputHeld && !m_faults.active(Fault::HoldCts, atUs);
}

int SimulatedController::errorNumber(qint64 atUs) const {
    if (const FaultSpec* f = m_faults.active(Fault::ErrorNumber, atUs))
        return f->value;
    return m_machine.errorNumber() ? m_machine.errorNumber() : m_fileError;
}

int SimulatedController::bitErrorsPerMillion(qint64 atUs) const {
    const FaultSpec* f = m_faults.active(Fault::LineNoise, atUs);
    if (!f)
        return 0;
    return f->hasValue ? std::clamp(f->value, 0, 1000000) : 100;
}

void SimulatedController::receive(quint8 byte, qint64 atUs) {
    if (!carriesData())
        return;
    advance(atUs);
    if (bufferLevel() >= m_options.inputBufferBytes) {
        ++m_overruns;
        m_log.addNote(QStringLiteral("overrun: byte %1 dropped, the %2-byte buffer is full (%3 so far)")
                          .arg(QString::number(byte, 16).toUpper().rightJustified(2, QChar('0')))
                          .arg(m_options.inputBufferBytes)
                          .arg(m_overruns),
                      atUs);
        return;
    }
    if (m_options.inputBytesPerSecond <= 0) {
        process(byte, atUs);
    } else {
        const qint64 perByte = 1000000 / m_options.inputBytesPerSecond;
        const qint64 after = m_input.empty() ? m_lastTakenUs : m_input.back().dueUs;
        m_input.push_back({byte, std::max(atUs, after + perByte)});
        updateInputHold();
    }
    updateFlow(atUs);
}

qint64 SimulatedController::bufferLevel() const {
    return static_cast<qint64>(m_input.size()) + m_parser.partialLineBytes() + m_dnc.waitingBytes();
}

void SimulatedController::updateInputHold() {
    const auto level = static_cast<int>(m_input.size());
    if (level > m_options.inputHighMark)
        m_inputHeld = true;
    else if (level <= m_options.inputLowMark)
        m_inputHeld = false;
}

void SimulatedController::updateFlow(qint64 atUs) {
    const qint64 level = bufferLevel();
    const bool xoff = m_xoff ? level > m_options.xonMark : level >= m_options.xoffMark;
    if (xoff == m_xoff)
        return;
    m_xoff = xoff;
    m_priority += m_xoff ? kXoff : kXon;
    m_log.addNote(QStringLiteral("%1: %2 bytes in the buffer").arg(m_xoff ? "XOFF" : "XON").arg(level), atUs);
}

int SimulatedController::dncLineMs(qint64 atUs) const {
    if (const FaultSpec* f = m_faults.active(Fault::SlowDnc, atUs))
        return f->hasValue ? f->value : 2000;
    return m_options.dncLineMs;
}

void SimulatedController::advance(qint64 atUs) {
    if (atUs < m_nowUs)
        atUs = m_nowUs;
    while (!m_input.empty() && m_input.front().dueUs <= atUs) {
        const Waiting w = m_input.front();
        m_input.pop_front();
        m_lastTakenUs = w.dueUs;
        updateInputHold();
        m_nowUs = w.dueUs;
        process(w.byte, w.dueUs);
        updateFlow(w.dueUs);
    }
    m_nowUs = atUs;
    // A body's DC4 followed by quiet was its end, not the start of the reset signal.
    if (m_parser.holdingBody() && atUs >= m_bodyHeldAtUs + kBodyEndQuietUs) {
        if (const auto body = m_parser.takeHeld())
            handle(*body, m_bodyHeldAtUs + kBodyEndQuietUs);
    }
    if (m_dnc.active()) {
        const auto execute = [this](const QByteArray& line, qint64 at) {
            m_machine.execute(line, at);
            return m_machine.motionEndUs();
        };
        m_dnc.advance(atUs, dncLineMs(atUs), execute);
        if (!m_dnc.active())
            m_parser.setMode(RequestParser::Mode::Requests);
        updateFlow(atUs);
    }
    const FaultSpec* storm = m_faults.active(Fault::XoffStorm, atUs);
    if (storm && !m_stormActive)
        m_priority += QByteArray(storm->hasValue ? storm->value : 8, kXoff);
    else if (!storm && m_stormActive)
        m_priority += kXon;
    m_stormActive = storm != nullptr;
    if (m_uploadLine && !m_leaveUploadWhenSent &&
        atUs >= m_lastUploadByteUs + qint64(m_options.uploadStallMs) * 1000) {
        if (m_upload.active())
            record({0, "C:ARM", TransferRecord::Outcome::Aborted, QStringLiteral("stalled"), 0}, atUs);
        leaveUpload(atUs);
    }
}

qint64 SimulatedController::nextEventUs() const {
    qint64 next = m_faults.nextBoundaryAfter(m_nowUs);
    if (!m_input.empty())
        next = std::min(next, m_input.front().dueUs);
    next = std::min(next, m_dnc.nextEventUs());
    if (m_uploadLine && !m_leaveUploadWhenSent)
        next = std::min(next, m_lastUploadByteUs + qint64(m_options.uploadStallMs) * 1000);
    if (m_parser.holdingBody())
        next = std::min(next, m_bodyHeldAtUs + kBodyEndQuietUs);
    if (m_stream.streaming() && m_stream.nextDueUs() > m_nowUs)
        next = std::min(next, m_stream.nextDueUs());
    return next;
}

std::optional<quint8> SimulatedController::takeByte(qint64 atUs) {
    if (!carriesData())
        return std::nullopt;
    if (!m_priority.isEmpty()) {
        const auto b = static_cast<quint8>(m_priority[0]);
        m_priority.remove(0, 1);
        return b;
    }
    if (m_outPos < m_out.size())
        return static_cast<quint8>(m_out[m_outPos++]);
    m_out.clear();
    m_outPos = 0;
    if (m_leaveUploadWhenSent) {
        leaveUpload(atUs);
        return std::nullopt;
    }
    if (m_uploadLine || !m_stream.due(atUs))
        return std::nullopt;
    buildFrame(atUs);
    m_stream.frameStarted(atUs, m_options.frameIntervalMs);
    return static_cast<quint8>(m_out[m_outPos++]);
}

void SimulatedController::buildFrame(qint64 atUs) {
    QList<qint32> values;
    for (int n : m_stream.list())
        values << m_variables.read(n, atUs);
    int state = 0;
    if (m_machine.moving(atUs))
        state = 1;
    if (m_dnc.active())
        state = 2;
    int sequence = m_stream.sequence();
    if (m_faults.take(Fault::StaleSequence, atUs))
        sequence = (sequence + 7) & 7;
    QByteArray frame =
        StatusStream::frame(StatusStream::statusWord(errorNumber(atUs), state, sequence), values);
    if (m_faults.take(Fault::WrongLengthFrame, atUs))
        frame.insert(frame.size() - 2, kCr);
    if (m_faults.take(Fault::TruncatedFrame, atUs))
        frame.truncate(frame.size() / 2);
    if (const FaultSpec* noise = m_faults.active(Fault::NoiseBetweenFrames, atUs)) {
        for (int i = 0, n = noise->hasValue ? noise->value : 7; i < n; ++i) {
            m_noiseSeed = m_noiseSeed * 1103515245u + 12345u;
            m_out += static_cast<char>((m_noiseSeed >> 16) & 0x7F);
        }
    }
    if (m_stormActive)
        m_out += kXoff;
    m_out += frame;
}

void SimulatedController::process(quint8 byte, qint64 atUs) {
    if (m_uploadLine) {
        m_lastUploadByteUs = atUs;
        if (m_leaveUploadWhenSent)
            return;
        const auto refuse = [this, atUs](int frame) {
            const FaultSpec* f = m_faults.active(Fault::RefuseArmFrame, atUs);
            return f && f->value == frame;
        };
        if (const auto answer = m_upload.feed(byte, refuse)) {
            m_priority += static_cast<char>(answer->byte);
            if (answer->ended) {
                m_leaveUploadWhenSent = true;
                if (m_upload.complete()) {
                    m_armImage = m_upload.image();
                    record({0, "C:ARM", TransferRecord::Outcome::Stored, {}, m_armImage.size()}, atUs);
                } else {
                    record({0, "C:ARM", TransferRecord::Outcome::Refused, m_upload.refusal(), 0}, atUs);
                }
            }
        }
        return;
    }
    const bool held = m_parser.holdingBody();
    for (const Request& request : m_parser.feed(byte))
        handle(request, atUs);
    if (m_parser.holdingBody() && !held)
        m_bodyHeldAtUs = atUs;
}

void SimulatedController::lineLost(const QString& why, qint64 atUs) {
    // A body whose DC4 came was ended by it: no reset signal followed.
    if (const auto body = m_parser.takeHeld())
        handle(*body, atUs);
    // With its DSR gone the controller stops waiting for what the console was sending.
    m_parser.dropPartial();
    if (m_pendingType)
        abortTransfer(why, atUs);
    // A program whose tape ended runs on from the controller's own buffer.
    if (m_dnc.active() && !m_dnc.ended()) {
        m_dnc.abort();
        record({FileService::kDnc, m_pendingName, TransferRecord::Outcome::Aborted,
                QStringLiteral("%1 after %2 lines ran").arg(why).arg(m_dnc.executedCount()), 0},
               atUs);
    }
    m_parser.setMode(RequestParser::Mode::Requests);
    m_stream.stop();
}

void SimulatedController::abortTransfer(const QString& why, qint64 atUs) {
    record({m_pendingType, m_pendingName, TransferRecord::Outcome::Aborted, why, 0}, atUs);
    m_pendingType = 0;
}

// Every transfer is also a note in the log, so that a run of the standalone program shows what became
// of each file: "stored 1005 A.Plc: 65536 bytes, sum 8355840; 0 overruns". The sum is that of the bytes
// stored (for a hex type the value of its checksum record), the overruns those since the transfer was
// announced.
void SimulatedController::record(const TransferRecord& r, qint64 atUs) {
    m_transfers << r;
    static const char* const kOutcome[] = {"stored", "refused", "served", "aborted", "unknown"};
    QString text = QLatin1String(kOutcome[static_cast<int>(r.outcome)]);
    if (r.typeCode)
        text += QLatin1Char(' ') + QString::number(r.typeCode);
    if (!r.name.isEmpty())
        text += QLatin1Char(' ') + QString::fromLatin1(r.name);
    text += QLatin1String(": ");
    switch (r.outcome) {
    case TransferRecord::Outcome::Stored:
        if (r.typeCode == FileService::kDnc) {
            text += QStringLiteral("%1 lines").arg(r.size);
        } else {
            quint32 sum = 0;
            for (const char c : r.typeCode ? m_files.stored(r.typeCode) : m_armImage)
                sum += static_cast<quint8>(c);
            text += QStringLiteral("%1 bytes, sum %2").arg(r.size).arg(sum);
        }
        break;
    case TransferRecord::Outcome::Served:
        text += QStringLiteral("%1 bytes").arg(r.size);
        break;
    default:
        text += r.reason;
        break;
    }
    if (r.outcome != TransferRecord::Outcome::Served && r.outcome != TransferRecord::Outcome::Unknown)
        text += QStringLiteral("; %1 overruns").arg(m_overruns - m_overrunsAtAnnounce);
    m_log.addNote(text, atUs);
}

void SimulatedController::announce(int typeCode, const QByteArray& name, qint64 atUs) {
    if (m_faults.take(Fault::SilentHandshake, atUs))
        return;
    const FileService::Role role = FileService::roleOf(typeCode);
    if (role == FileService::Role::Unknown) {
        record({typeCode, name, TransferRecord::Outcome::Unknown, QStringLiteral("unknown type code"), 0},
               atUs);
        return;
    }
    // No status frame may come between the handshake and the body.
    m_stream.stop();
    if (role == FileService::Role::Serve) {
        QByteArray announced;
        const bool bad = m_faults.take(Fault::BadServedChecksum, atUs) != nullptr;
        const QByteArray body = m_files.serve(typeCode, name, bad, atUs, &announced);
        m_out += kDc4 + QByteArray("@WRITE(") + announced + ")" + body;
        record({typeCode, announced, TransferRecord::Outcome::Served, {}, body.size()}, atUs);
        return;
    }
    m_out += kDc4 + QByteArray("@READ(") + name + ")";
    m_log.addNote(QStringLiteral("ready for %1 %2").arg(typeCode).arg(QString::fromLatin1(name)), atUs);
    m_pendingName = name;
    m_overrunsAtAnnounce = m_overruns;
    if (role == FileService::Role::Dnc) {
        m_dnc.start();
        m_parser.setMode(RequestParser::Mode::Dnc);
        m_stream.resume(atUs); // the status stream goes on while the program runs
        return;
    }
    m_pendingType = typeCode;
    m_parser.setMode(RequestParser::Mode::FileBody);
}

void SimulatedController::enterUpload(qint64 atUs) {
    m_stream.stop();
    m_uploadLine = true;
    m_leaveUploadWhenSent = false;
    m_lastUploadByteUs = atUs;
    m_overrunsAtAnnounce = m_overruns;
    m_upload.begin();
    m_log.addLine(describe(lineSettings()), atUs);
}

void SimulatedController::leaveUpload(qint64 atUs) {
    m_upload.stop();
    m_uploadLine = false;
    m_leaveUploadWhenSent = false;
    m_parser.dropPartial();
    m_parser.setMode(RequestParser::Mode::Requests);
    m_log.addLine(describe(lineSettings()), atUs);
}

} // namespace velmorix::sim
