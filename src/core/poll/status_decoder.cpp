#include "core/poll/status_decoder.h"

#include "core/link/digits.h"
#include "core/poll/status_texts.h"

namespace velmorix {

void FindFrame(StatusRing& ring, int itemCount) {
    const int distance = 10 * itemCount + 24;
    int i = ring.FrameStart < 0 ? 0 : (ring.FrameStart + 1) & StatusRing::kMask;
    int candidate = -1;
    while (i != ring.RingWrite) {
        const int b = ring.bytes[i] & 0x7F;
        if (b == ctl::DC2) {
            candidate = i;
        } else if (b == ctl::DC4 && candidate >= 0 && ((i - candidate) & StatusRing::kMask) == distance) {
            ring.FrameStart = candidate;
            candidate = -1;
        }
        i = (i + 1) & StatusRing::kMask;
    }
}

QByteArray DigitText(const unsigned char* digits) {
    QByteArray text(8, '0');
    for (int i = 0; i < 8; ++i) {
        int c = digits[i] & 0x7F;
        if (c > '9')
            c += 7;
        text[i] = static_cast<char>(c);
    }
    return text;
}

qint32 DigitValue(const QByteArray& digitText) {
    quint32 v = 0;
    for (char ch : digitText) {
        const int c = static_cast<unsigned char>(ch);
        const int digit = (c >= 'A' && c <= 'F') ? c - 'A' + 10 : c - 0x30;
        v = (v << 4) + static_cast<quint32>(digit);
    }
    return static_cast<qint32>(v);
}

void StatusDecoder::Decode(const StatusRing& ring, int itemCount) {
    if (ring.FrameStart < 0)
        return;
    auto at = [&](int pos) { return ring.bytes[(ring.FrameStart + pos) & StatusRing::kMask]; };
    SequenceState& seq = m_state.seq;
    LiveValues& live = m_state.live;
    StatusView& view = m_state.status;

    for (int k = 0; k <= itemCount && k < LiveValues::kItems; ++k) {
        const unsigned char check = at(23 + 10 * k);
        if (check != 'd' && check != '%')
            return;
        const int first = k == 0 ? 10 : 14 + 10 * k;
        unsigned char raw[8];
        for (int i = 0; i < 8; ++i)
            raw[i] = at(first + i);
        const QByteArray digits = DigitText(raw);
        const QByteArray dashed = digits.left(4) + '-' + digits.mid(4);
        const qint32 value = DigitValue(digits);

        if (k == 0) {
            if (at(9) != 'H')
                return;
            view.LabelCommandState = QString::fromLatin1(dashed);
            const int replySeq = DigitValue(digits.right(1)) & 7;
            if (seq.Resyncing) {
                seq.RequestSeq = replySeq;
                seq.FrameValid = true;
                if (++seq.ResyncCount >= 3) {
                    seq.Resyncing = false;
                    seq.ResyncCount = 0;
                }
            } else if (replySeq != seq.RequestSeq) {
                seq.FrameValid = false;
                return;
            } else {
                seq.FrameValid = true;
            }
            const int error = (static_cast<unsigned char>(digits[0]) - 0x30) * 10 +
                              (static_cast<unsigned char>(digits[1]) - 0x30);
            if (error >= 0 && error <= 99 && error != live.LastErrorNumber) {
                live.LastErrorNumber = error;
                m_state.view.EditKeyIn =
                    ErrorLine(error, error < m_errorTexts.size() ? m_errorTexts[error] : QString());
            }
        } else if (k <= 9) {
            view.axes[k - 1] = AxisText(value);
        } else if (k <= 11) {
            const int offset = k == 10 ? 0 : 5;
            for (int c = 0; c < 4; ++c)
                live.TypeText[offset + c] = static_cast<char>(DigitValue(digits.mid(2 * c, 2)));
            const qsizetype end = live.TypeText.indexOf('\0');
            view.LabelType = QString::fromLatin1(end < 0 ? live.TypeText : live.TypeText.left(end));
        } else if (k == 12) {
            live.TimeText = PaddedDigits(value, 4);
            view.LabelTime = live.TimeText;
        } else if (k == 13) {
            live.TimeText += QLatin1Char('-') + PaddedDigits(value, 4);
            view.LabelTime = live.TimeText;
        } else {
            live.PollHexTexts[k] = dashed;
            live.PollValues[k] = value;
            if (k - 14 < static_cast<int>(live.PollValueTexts.size()))
                live.PollValueTexts[k - 14] = GroupedValueText(value);
        }
    }
}

namespace {

// Scans RxText for DC4 + marker. For each position where the working text starts with the marker,
// `onMatch` gets the working text and returns whether to stop.
template <typename F> void scanFor(const QByteArray& rxText, const QByteArray& marker, F onMatch) {
    QByteArray work = rxText;
    while (work.size() > marker.size()) {
        const qsizetype dc4 = work.indexOf(ctl::DC4);
        if (dc4 < 0)
            return;
        work.remove(0, dc4);
        if (work.size() <= marker.size() && !work.startsWith(marker))
            return;
        if (work.startsWith(marker) && onMatch(work))
            return;
        work.remove(0, 1);
    }
}

} // namespace

void DetectWriteAnnouncement(ConsoleState& state) {
    const QByteArray marker = QByteArray(1, ctl::DC4) + "@WRITE";
    scanFor(state.transfer.RxText, marker, [&](const QByteArray& work) {
        // The name lies between the first "(" and the first ")"; empty until both have arrived.
        QByteArray name;
        const qsizetype open = work.indexOf('(');
        const qsizetype firstClose = work.indexOf(')');
        if (open >= 0 && firstClose > open)
            name = work.mid(open + 1, firstClose - open - 1);
        state.files.LabelFileName =
            QStringLiteral("% CNC\\ WRITE(") + QString::fromLatin1(name) + QStringLiteral(") %");
        state.files.LabelFileNameHint = state.files.LabelFileName;
        const qsizetype close = work.indexOf(')');
        if (close >= 0) {
            const qsizetype body = work.indexOf(ctl::DC2, close);
            if (body >= 0) {
                state.watchdog.WatchdogLimit = state.watchdog.WatchdogTicks + 10;
                state.transfer.RxText = work.mid(body);
                state.transfer.RecvBody = true;
            }
        }
        return false; // a later announcement in the same text is handled again
    });
}

bool DetectReadAcknowledgement(ConsoleState& state) {
    const QByteArray marker = QByteArray(1, ctl::DC4) + "@READ";
    bool found = false;
    scanFor(state.transfer.RxText, marker, [&](const QByteArray& work) {
        if (work.indexOf(')') < 0)
            return false;
        state.transfer.RxText.clear();
        state.transfer.Sending = true;
        state.transfer.TxByteCount = 0;
        found = true;
        return true;
    });
    return found;
}

} // namespace velmorix
