#include "core/poll/poll_cycle.h"

#include "core/files/transfer.h"
#include "core/link/digits.h"
#include "core/link/frames.h"
#include "core/link/link.h"
#include "core/poll/status_texts.h"
#include "platform/clock.h"

#include <algorithm>
#include <cstring>

namespace velmorix {

QList<WatchedValue> placeWatched(const QList<qint32>& variables, int monitorGroup, QList<qint32>* block) {
    QList<WatchedValue> out;
    const int group = std::clamp(monitorGroup, 0, 2);
    for (const qint32 v : variables) {
        if (v >= kAxisGroupFirst[group] && v < kAxisGroupFirst[group] + 9) {
            out.append({v, kFirstAxisItem + (v - kAxisGroupFirst[group])});
        } else if (v >= kTypeVariable && v < kTypeVariable + 4) {
            out.append({v, kTypeItems[0] + (v - kTypeVariable)});
        } else if (v == kSerialNumberVariable) {
            out.append({v, -1});
        } else {
            out.append({v, kFirstBlockItem + static_cast<int>(block->size())});
            *block << v;
        }
    }
    // The serial number comes after the block.
    const int serial = kFirstBlockItem + static_cast<int>(std::min<qsizetype>(block->size(), kMaxBlockCount));
    for (WatchedValue& w : out)
        if (w.item < 0)
            w.item = serial;
    return out;
}

PollCycle::PollCycle(ConsoleState& state, Link& link, Transfer& transfer, MessageLine& message, Clock& clock,
                     const QStringList& errorTexts)
    : m_state(state), m_link(link), m_transfer(transfer), m_clock(clock),
      m_decoder(state, message, errorTexts) {}

QByteArray PollCycle::monitorRequestData() const {
    const ReportBlock& b = m_state.block;
    const int group = (b.MonitorGroup >= 0 && b.MonitorGroup < 3) ? b.MonitorGroup : 0;
    const int count = b.PollBlockCount + kFirstBlockItem;
    QByteArray block;
    if (b.PollBlockList.isEmpty()) {
        block = FormatAddressList(b.PollBlockStart, b.PollBlockCount);
    } else {
        for (const qint32 v : b.PollBlockList)
            block += FormatAddressList(v, 1);
    }
    return frames::monitorData(count, FormatAddressList(kAxisGroupFirst[group], 9) +
                                          FormatAddressList(kTypeVariable, 2) +
                                          FormatAddressList(kVersionVariable, 2) + block +
                                          FormatAddressList(kSerialNumberVariable, 1));
}

void PollCycle::SendMonitorRequest() {
    m_link.SendMonitorRequest(monitorRequestData());
    m_lastLifeMs = m_clock.nowMs();
    m_state.block.PollItemStart = m_state.block.PollBlockStart;
    m_state.block.PollItemCount = m_state.block.PollBlockCount + kFirstBlockItem;
}

void PollCycle::appendToRing(const QByteArray& bytes) {
    // One read never exceeds the tail, so the copy to the front stays inside the buffer.
    const int n = static_cast<int>(std::min<qsizetype>(bytes.size(), StatusRing::kTail));
    std::memcpy(m_ring.bytes.data() + m_ring.RingWrite, bytes.constData(), static_cast<size_t>(n));
    const int end = m_ring.RingWrite + n;
    if (end > StatusRing::kSize)
        std::memcpy(m_ring.bytes.data(), m_ring.bytes.data() + StatusRing::kSize,
                    static_cast<size_t>(end - StatusRing::kSize));
    m_ring.wrote(m_ring.RingWrite, n);
    m_ring.RingWrite = end & StatusRing::kMask;
}

void PollCycle::blankLiveDisplay() {
    StatusView& v = m_state.status;
    v.axes.fill(QStringLiteral("----,---"));
    v.LabelType = QStringLiteral("KCNC-[ID]");
    v.LabelCommandState = QStringLiteral("---------");
    v.LabelCps = QStringLiteral("Cps=----");
    if (m_hooks.blankPage)
        m_hooks.blankPage();
}

void PollCycle::takeSnapshot() {
    const QTime now = m_clock.timeOfDay();
    m_snapSecond = now.second();
    m_snapMs = now.msec();
}

void PollCycle::computeRate() {
    if (m_prevSecond <= m_snapSecond)
        RateElapsed = (m_snapSecond - m_prevSecond) * 1000 + m_snapMs - m_prevMs;
    else
        RateElapsed = (m_snapSecond - m_prevSecond + 60) * 1000 + m_snapMs - m_prevMs;
    m_prevSecond = m_snapSecond;
    m_prevMs = m_snapMs;
    if (RateElapsed == 0)
        return;
    if (!m_transfer.Sending()) {
        const qint64 rate = static_cast<qint64>(RxByteCount) * 1000 / RateElapsed;
        m_state.status.LabelRxD = QStringLiteral("RxD_Rate");
        m_state.status.LabelCps = cpsText(std::max<qint64>(rate, 0));
        RxByteCount = 0;
    } else {
        // Bytes still queued were counted as written but have not reached the line yet.
        const qint64 queued = m_link.port() ? std::max<qint64>(m_link.port()->outputCount(), 0) : 0;
        const qint64 sent = static_cast<qint64>(m_transfer.takeTxByteCount()) - queued;
        const qint64 rate = RateElapsed > 0 ? std::max<qint64>(sent, 0) * 1000 / RateElapsed : 0;
        m_state.status.LabelRxD = QStringLiteral("TxD_Rate");
        m_state.status.LabelCps = cpsText(rate);
    }
}

// A snapshot every fourth tick and the rate on the tick after it; the count stays between 3 and 7.
void PollCycle::measureRate() {
    switch (TickCount % 4) {
    case 3:
        TickCount = 3;
        takeSnapshot();
        break;
    case 0:
        computeRate();
        break;
    default:
        break;
    }
}

// A byte with a parity error reads as 0, which no status frame holds: the frame is noise, and the
// last good one stays current rather than lend a wrong digit to the display or the sequence.
bool PollCycle::garbled(const StatusRing& ring, int itemCount) {
    const int length = status_frame::dc4Distance(itemCount);
    for (int i = 1; i < length; ++i)
        if (ring.bytes[(ring.FrameStart + i) & StatusRing::kMask] == 0)
            return true;
    return false;
}

void PollCycle::watchLiveness() {
    const qint64 now = m_clock.nowMs();
    // While a transfer holds the stream there are no frames to expect.
    if (m_transfer.gathering() && !m_transfer.dncSending()) {
        m_lastLifeMs = now;
        return;
    }
    // A page change is answered within a few frames; stale frames before that are rejected as they
    // should be. Two seconds without an accepted frame is not a switch-over: the sequence number was
    // adopted wrongly (noise in a resync frame, a controller that restarted its numbering) or the
    // request never arrived. Subscribe again and adopt the controller's number afresh.
    if (now - m_lastLifeMs >= kStuckSequenceMs) {
        m_lastLifeMs = now;
        m_state.seq.resync();
        m_state.block.resubscribe();
    }
}

void PollCycle::framePath() {
    findFrame(m_ring, m_state.block.PollItemCount);
    if (m_ring.FrameStart < 0 || garbled(m_ring, m_state.block.PollItemCount))
        return;
    // While CTS holds a fresh subscription's request back, the frames that arrive answer an older
    // one (a relinked port, say): a sequence adopted from them would refuse the new stream's.
    if (m_state.seq.Resyncing() && !m_state.line.CtsReady)
        return;
    m_decoder.decode(m_ring, m_state.block.PollItemCount);
    if (!m_state.seq.FrameValid)
        return;
    ++m_state.live.AcceptedFrames;
    m_lastLifeMs = m_clock.nowMs();
    if (m_hooks.refreshPage)
        m_hooks.refreshPage();
    // The serial number is the last item of every request.
    const int serialItem = std::clamp(m_state.block.PollItemCount, 0, LiveValues::kItems - 1);
    m_state.view.statusPanels[4] = serialText(m_state.live.PollValues[serialItem]);
}

int PollCycle::readPending(SerialPort& port) {
    // A port that fails says so through its error handler and closes; here it only has no bytes.
    return static_cast<int>(std::clamp<qint64>(port.inputCount(), 0, StatusRing::kTail));
}

void PollCycle::routeToTransfer(SerialPort& port, int n) {
    const QByteArray chunk = port.read(n);
    // A DNC run keeps the status stream, and the live display with it, going.
    if (m_transfer.takeBytes(chunk)) {
        appendToRing(chunk);
        framePath();
    }
}

void PollCycle::routeToRing(SerialPort& port, int n) {
    if (n < 1)
        return;
    appendToRing(port.read(n));
    framePath();
}

void PollCycle::Timer2Timer() {
    ++TickCount;
    if (!m_state.line.LinkUp) {
        blankLiveDisplay();
        m_lastLifeMs = m_clock.nowMs();
        return;
    }
    // A new subscription resets the link first, which would wipe out a transfer's handshake or cut
    // its body: it waits for the transfer's end. A DNC run is fed beside the status stream and
    // subscribes without the reset.
    const bool transferHolds = m_transfer.gathering() && !m_transfer.dncSending();
    if (m_state.block.PollBlockChanged() && !transferHolds) {
        SendMonitorRequest();
        m_state.block.subscribed();
    }
    SerialPort* port = m_link.port();
    if (!port)
        return;
    const int n = readPending(*port);
    RxByteCount += n;
    measureRate();
    if (m_transfer.gathering())
        routeToTransfer(*port, n);
    else
        routeToRing(*port, n);
    watchLiveness();
}

} // namespace velmorix
