#include "core/files/arm_uploader.h"

#include "platform/clock.h"

namespace velmorix {

namespace {

constexpr char kHello = 0x20;
constexpr char kHeader = 0x21;
constexpr char kData = 0x24;

QByteArray frame(char command, const QByteArray& payload) {
    QByteArray f;
    f += static_cast<char>(payload.size() + 3);
    f += '\0';
    f += command;
    f += payload;
    quint8 sum = 0;
    for (qsizetype i = 2; i < f.size(); ++i)
        sum = static_cast<quint8>(sum + static_cast<quint8>(f[i]));
    f[1] = static_cast<char>(sum);
    return f;
}

} // namespace

ArmUploader::ArmUploader(Clock& clock, Hooks hooks) : m_clock(clock), m_hooks(std::move(hooks)) {
    m_timer = m_clock.createTimer(1, [this] { poll(); });
}

ArmUploader::~ArmUploader() = default;

QByteArray ArmUploader::helloFrame() {
    return frame(kHello, {});
}

QByteArray ArmUploader::headerFrame(quint32 size) {
    QByteArray payload(4, '\0');
    for (int shift = 24; shift >= 0; shift -= 8)
        payload += static_cast<char>((size >> shift) & 0xFF);
    return frame(kHeader, payload);
}

QByteArray ArmUploader::dataFrame(const QByteArray& payload) {
    return frame(kData, payload);
}

void ArmUploader::start(QByteArray image) {
    m_image = std::move(image);
    m_position = 0;
    m_hooks.read(); // nothing that came before belongs to the answers
    send(Step::Hello, helloFrame());
}

void ArmUploader::stop() {
    if (running())
        end(Outcome::Stopped);
}

void ArmUploader::send(Step step, const QByteArray& f) {
    m_frameNumber = step == Step::Hello ? 0 : step == Step::Header ? 1 : m_frameNumber + 1;
    m_step = step;
    m_deadlineMs = m_clock.nowMs() + kAckTimeoutMs;
    m_hooks.write(f);
    m_timer->setEnabled(true);
}

void ArmUploader::poll() {
    if (!running())
        return;
    const QByteArray bytes = m_hooks.read();
    for (const char c : bytes) {
        const auto b = static_cast<quint8>(c);
        if (b == 0)
            continue; // not an answer
        if (b != kAccept) {
            end(Outcome::Refused);
            return;
        }
        accepted();
        return; // one answer per frame; anything after it belongs to no frame sent
    }
    if (m_clock.nowMs() >= m_deadlineMs)
        end(Outcome::TimedOut);
}

void ArmUploader::accepted() {
    switch (m_step) {
    case Step::Hello:
        send(Step::Header, headerFrame(static_cast<quint32>(m_image.size())));
        return;
    case Step::Header:
        if (m_hooks.headerAccepted)
            m_hooks.headerAccepted();
        break;
    case Step::Data:
        m_position += m_frameBytes;
        if (m_hooks.dataAccepted)
            m_hooks.dataAccepted(m_frameBytes);
        break;
    case Step::Idle:
        return;
    }
    if (m_position >= m_image.size()) {
        end(Outcome::Done);
        return;
    }
    const QByteArray payload = m_image.mid(m_position, kDataBytes);
    m_frameBytes = static_cast<int>(payload.size());
    send(Step::Data, dataFrame(payload));
}

void ArmUploader::end(Outcome outcome) {
    m_timer->setEnabled(false);
    m_step = Step::Idle;
    if (m_hooks.finished)
        m_hooks.finished(outcome);
}

} // namespace velmorix
