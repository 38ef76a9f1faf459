#include "sim/arm_upload.h"

#include "sim/codec.h"

namespace velmorix::sim {

void ArmUpload::begin() {
    m_active = true;
    m_complete = false;
    m_pending.clear();
    m_image.clear();
    m_size = 0;
    m_frame = 0;
    m_refusal.clear();
}

ArmUpload::Answer ArmUpload::refuseWith(const QString& why) {
    m_refusal = why;
    m_active = false;
    m_pending.clear();
    return Answer{kArmRefuse, true};
}

std::optional<ArmUpload::Answer> ArmUpload::feed(quint8 byte, const std::function<bool(int)>& refuse) {
    if (!m_active)
        return std::nullopt;
    if (m_pending.isEmpty() && byte == 0)
        return std::nullopt; // idle line
    m_pending.append(static_cast<char>(byte));
    const int length = static_cast<quint8>(m_pending[0]);
    if (length < 3 || length > 11)
        return refuseWith(QStringLiteral("frame %1: length byte %2").arg(m_frame).arg(length));
    if (m_pending.size() < length)
        return std::nullopt;
    const QByteArray f = m_pending;
    m_pending.clear();
    quint8 sum = 0;
    for (qsizetype i = 2; i < f.size(); ++i)
        sum = static_cast<quint8>(sum + static_cast<quint8>(f[i]));
    if (sum != static_cast<quint8>(f[1]))
        return refuseWith(QStringLiteral("frame %1: checksum byte %2, bytes sum to %3")
                              .arg(m_frame)
                              .arg(static_cast<quint8>(f[1]))
                              .arg(sum));
    const auto command = static_cast<quint8>(f[2]);
    const quint8 wanted = m_frame == 0 ? 0x20 : m_frame == 1 ? 0x21 : 0x24;
    if (command != wanted)
        return refuseWith(
            QStringLiteral("frame %1: command 0x%2").arg(m_frame).arg(command, 2, 16, QChar('0')));
    if (command == 0x21) {
        if (length != 11)
            return refuseWith(QStringLiteral("header of %1 bytes").arg(length));
        m_size = 0;
        for (int i = 7; i < 11; ++i)
            m_size = (m_size << 8) | static_cast<quint8>(f[i]);
    }
    if (command == 0x24 && quint32(m_image.size() + length - 3) > m_size)
        return refuseWith(QStringLiteral("data beyond the announced %1 bytes").arg(m_size));
    if (refuse && refuse(m_frame))
        return refuseWith(QStringLiteral("frame %1 refused").arg(m_frame));
    ++m_frame;
    if (command == 0x24)
        m_image += f.mid(3);
    if (command == 0x24 && quint32(m_image.size()) == m_size) {
        m_complete = true;
        m_active = false;
        return Answer{kArmAck, true};
    }
    return Answer{kArmAck, false};
}

} // namespace velmorix::sim
