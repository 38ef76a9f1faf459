#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace velmorix::sim {

// The 8-bit upload: frames of length byte, checksum byte (low 8 bits of the sum of the bytes after
// it), command and payload: hello 0x20, header 0x21 with four zero bytes and the image size, then
// data frames 0x24 of 1 to 8 bytes. Each frame is answered with 0xCC, or refused with 0x15, which
// ends the upload.
class ArmUpload {
public:
    struct Answer {
        quint8 byte = 0;
        bool ended = false; // refused, or the last data byte has arrived
    };

    void begin();
    bool active() const { return m_active; }
    void stop() { m_active = false; }

    // One byte from the console; an answer when it completed a frame. `refuse` decides, by frame
    // number (0 hello, 1 header, 2.. data), whether a good frame is refused anyway.
    std::optional<Answer> feed(quint8 byte, const std::function<bool(int frame)>& refuse);

    bool complete() const { return m_complete; }
    const QByteArray& image() const { return m_image; }
    int frames() const { return m_frame; }
    const QString& refusal() const { return m_refusal; }

private:
    Answer refuseWith(const QString& why);

    bool m_active = false;
    bool m_complete = false;
    QByteArray m_pending;
    QByteArray m_image;
    quint32 m_size = 0;
    int m_frame = 0;
    QString m_refusal;
};

} // namespace velmorix::sim
