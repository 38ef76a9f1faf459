#include "core/poll/poll_cycle.h"

#include "core/link/digits.h"
#include "core/link/frames.h"
#include "core/link/link.h"
#include "core/poll/status_texts.h"

#include <algorithm>
#include <cstring>

namespace velmorix {

namespace {
constexpr qint32 kAxisGroupFirst[] = {12021, 12141, 12121}; // Coordinate, PsCounter, FollowError
} // namespace

PollCycle::PollCycle(ConsoleState& state, Link& link, Clock& clock, const QStringList& errorTexts)
    : m_state(state), m_link(link), m_clock(clock), m_decoder(state, errorTexts) {}

QByteArray PollCycle::MonitorRequestData() const {
    const ReportBlock& b = m_state.block;
    QList<qint32> addresses;
    const int group = (b.MonitorGroup >= 0 && b.MonitorGroup < 3) ? b.MonitorGroup : 0;
    for (int i = 0; i < 9; ++i)
        addresses << kAxisGroupFirst[group] + i;
    addresses << 10993 << 10994 << 10995 << 10996;
    for (qint32 i = 0; i < b.PollBlockCount; ++i)
        addresses << b.PollBlockStart + i;
    addresses << 10991;
    return frames::MonitorData(addresses);
}

void PollCycle::SendMonitorRequest() {
    m_link.SendMonitorRequest(MonitorRequestData());
    m_state.block.PollItemStart = m_state.block.PollBlockStart;
    m_state.block.PollItemCount = m_state.block.PollBlockCount + 14;
}

void PollCycle::AppendToRing(const QByteArray& bytes) {
    // One read never exceeds the tail, so the copy to the front stays inside the buffer.
    const int n = static_cast<int>(std::min<qsizetype>(bytes.size(), StatusRing::kTail));
    std::memcpy(m_ring.bytes.data() + m_ring.RingWrite, bytes.constData(), static_cast<size_t>(n));
    const int end = m_ring.RingWrite + n;
    if (end > StatusRing::kSize)
        std::memcpy(m_ring.bytes.data(), m_ring.bytes.data() + StatusRing::kSize,
                    static_cast<size_t>(end - StatusRing::kSize));
    m_ring.RingWrite = end & StatusRing::kMask;
}

void PollCycle::BlankLiveDisplay() {
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
    TransferFlags& t = m_state.transfer;
    if (!t.Sending) {
        const qint64 rate = static_cast<qint64>(RxByteCount) * 1000 / RateElapsed;
        m_state.status.LabelRxD = QStringLiteral("RxD_Rate");
        m_state.status.LabelCps = CpsText(std::max<qint64>(rate, 0));
        RxByteCount = 0;
    } else {
        // Bytes still queued were counted as written but have not reached the line yet.
        const qint64 queued = m_link.port() ? std::max<qint64>(m_link.port()->outputCount(), 0) : 0;
        const qint64 sent = static_cast<qint64>(t.TxByteCount) - queued;
        const qint64 rate = RateElapsed > 0 ? std::max<qint64>(sent, 0) * 1000 / RateElapsed : 0;
        m_state.status.LabelRxD = QStringLiteral("TxD_Rate");
        m_state.status.LabelCps = CpsText(rate);
        t.TxByteCount = 0;
    }
}

void PollCycle::framePath() {
    FindFrame(m_ring, m_state.block.PollItemCount);
    if (m_ring.FrameStart < 0)
        return;
    m_decoder.Decode(m_ring, m_state.block.PollItemCount);
    if (!m_state.seq.FrameValid)
        return;
    if (m_hooks.refreshPage)
        m_hooks.refreshPage();
    const int serialItem = std::clamp(m_state.block.PollItemCount, 0, LiveValues::kItems - 1);
    m_state.view.statusPanels[4] = SerialText(m_state.live.PollValues[serialItem]);
}

void PollCycle::Timer2Timer() {
    ++TickCount;
    if (!m_state.line.LinkUp) {
        BlankLiveDisplay();
        return;
    }
    if (m_state.block.PollBlockChanged) {
        SendMonitorRequest();
        m_state.block.PollBlockChanged = false;
    }
    SerialPort* port = m_link.port();
    if (!port)
        return;
    const qint64 pending = port->inputCount();
    if (pending < 0) {
        if (m_hooks.portError)
            m_hooks.portError(port->errorString());
        return;
    }
    const int n = static_cast<int>(std::min<qint64>(pending, StatusRing::kTail));
    RxByteCount += n;

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

    TransferFlags& t = m_state.transfer;
    if (t.RecvRequested) {
        t.RxText += port->read(n);
        m_state.files.LabelFileSize = QString::number(t.RxText.size());
        if (t.RecvBody) {
            if (m_hooks.receiveBody)
                m_hooks.receiveBody();
        } else {
            DetectWriteAnnouncement(m_state);
        }
        return;
    }
    if (t.SendRequested) {
        const QByteArray chunk = port->read(n);
        t.RxText += chunk;
        if (!t.Sending) {
            t.XoffHold = false;
            if (DetectReadAcknowledgement(m_state) && m_hooks.startSend)
                m_hooks.startSend();
            return;
        }
        if (chunk.contains(ctl::DC3))
            t.XoffHold = true;
        if (chunk.contains(ctl::DC1))
            t.XoffHold = false;
        if (t.SendFileItem != TransferFlags::kDncItem || n < 1)
            return;
        AppendToRing(chunk);
        framePath();
        return;
    }
    if (n < 1)
        return;
    AppendToRing(port->read(n));
    framePath();
}

} // namespace velmorix
