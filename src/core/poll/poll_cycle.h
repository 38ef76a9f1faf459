#pragma once

#include "core/base/state.h"
#include "core/poll/status_decoder.h"
#include "core/poll/status_ring.h"

#include <QByteArray>
#include <QStringList>
#include <functional>

namespace velmorix {

class Clock;
class Link;
class MessageLine;
class SerialPort;
class Transfer;

// Controller variables every monitor request names besides the page's block.
inline constexpr qint32 kAxisGroupFirst[] = {12021, 12141, 12121}; // Coordinate, PsCounter, FollowError
inline constexpr qint32 kTypeVariable = 10993;                     // 10993, 10994: controller type
inline constexpr qint32 kVersionVariable = 10995;                  // 10995, 10996: system version
inline constexpr qint32 kSerialNumberVariable = 10991;

// Where a watched variable's value stands in every status frame.
struct WatchedValue {
    qint32 variable = 0;
    int item = 0; // the item of the status frame (PollValues index)
};
// Places variables in the frame of a monitor request: the axes of the monitor group, the type and
// version words and the serial number stand in every frame; the others make the block (`block`, in
// order; more than kMaxBlockCount do not fit).
QList<WatchedValue> placeWatched(const QList<qint32>& variables, int monitorGroup, QList<qint32>* block);

// The 100 ms poll tick: subscribes the controller to the current variable list, reads what it
// streams back, finds and decodes the newest status frame, and hands bytes to the file transfer
// while one waits for the controller.
class PollCycle {
public:
    struct Hooks {
        std::function<void()> blankPage;   // the current page's values, while the link is down
        std::function<void()> refreshPage; // after an accepted frame
    };

    PollCycle(ConsoleState& state, Link& link, Transfer& transfer, MessageLine& message, Clock& clock,
              const QStringList& errorTexts);
    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }

    void Timer2Timer();

    // Data of the monitor request for the current axis group and report block.
    QByteArray monitorRequestData() const;
    void SendMonitorRequest();
    // Appends bytes to the ring, wrapping through the tail.
    void appendToRing(const QByteArray& bytes);
    void blankLiveDisplay();

    StatusRing& ring() { return m_ring; }

    // Status frames decoded and accepted since the program started.
    quint64 acceptedFrames() const { return m_state.live.AcceptedFrames; }

    // No frame accepted this long after a request or the last accepted frame, with the link up and
    // no transfer holding the stream: the console subscribes again and adopts the controller's
    // sequence number afresh.
    static constexpr qint64 kStuckSequenceMs = 2000;

    quint32 TickCount = 0;
    qint32 RxByteCount = 0;
    qint32 RateElapsed = 0;

private:
    // Bytes waiting at the port, at most what the ring's tail takes.
    int readPending(SerialPort& port);
    void measureRate();
    void takeSnapshot();
    void computeRate();
    void routeToTransfer(SerialPort& port, int n);
    void routeToRing(SerialPort& port, int n);
    void framePath();
    void watchLiveness();
    static bool garbled(const StatusRing& ring, int itemCount);

    ConsoleState& m_state;
    Link& m_link;
    Transfer& m_transfer;
    Clock& m_clock;
    StatusDecoder m_decoder;
    Hooks m_hooks;
    StatusRing m_ring;
    qint64 m_lastLifeMs = 0; // the last accepted frame, request, or tick that expected none
    int m_snapSecond = 0, m_snapMs = 0, m_prevSecond = 0, m_prevMs = 0;
};

} // namespace velmorix
