#pragma once

#include <QByteArray>
#include <functional>
#include <memory>

namespace velmorix {

class Clock;
class Timer;

// The 8-bit upload of a "C:ARM" file over the line reopened at 8N1: a hello frame, a header frame
// with the size, then data frames of up to eight bytes. Every frame is answered by one byte: 0xCC
// accepts, zero bytes are not answers and are skipped, anything else refuses. A state machine on
// the clock — send a frame, wait for its answer with a bound, go on — so the window never blocks.
//
// A frame is its length (this byte included), the low 8 bits of the sum of the bytes after the
// checksum byte, the command, and the payload.
class ArmUploader {
public:
    enum class Outcome { Done, Refused, TimedOut, Stopped };
    struct Hooks {
        std::function<qint64(const QByteArray&)> write; // a frame to the port, in one write
        std::function<QByteArray()> read;               // whatever has arrived
        std::function<void()> headerAccepted;           // the data frames begin
        std::function<void(int)> dataAccepted;          // a data frame of this many bytes was taken
        std::function<void(Outcome)> finished;
    };

    static constexpr int kAckTimeoutMs = 2000;
    static constexpr quint8 kAccept = 0xCC;
    static constexpr int kDataBytes = 8;

    ArmUploader(Clock& clock, Hooks hooks);
    ~ArmUploader();

    void start(QByteArray image);
    // Ends a running upload at once (Reset); `finished` reports Stopped.
    void stop();
    bool running() const { return m_step != Step::Idle; }
    // The frame answered last or waited on: 0 the hello, 1 the header, 2 and on the data frames.
    int frameNumber() const { return m_frameNumber; }

    static QByteArray helloFrame();
    static QByteArray headerFrame(quint32 size);
    static QByteArray dataFrame(const QByteArray& payload);

private:
    enum class Step { Idle, Hello, Header, Data };
    void send(Step step, const QByteArray& frame);
    void poll();
    void accepted();
    void end(Outcome outcome);

    Clock& m_clock;
    Hooks m_hooks;
    std::unique_ptr<Timer> m_timer;
    QByteArray m_image;
    qsizetype m_position = 0;
    int m_frameBytes = 0;
    Step m_step = Step::Idle;
    int m_frameNumber = 0;
    qint64 m_deadlineMs = 0;
};

} // namespace velmorix
