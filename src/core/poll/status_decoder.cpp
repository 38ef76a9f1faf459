#include "core/poll/status_decoder.h"

#include "core/base/message_line.h"
#include "core/link/digits.h"
#include "core/poll/status_texts.h"

namespace velmorix {

using namespace status_frame;

void findFrame(StatusRing& ring, int itemCount) {
    const int distance = dc4Distance(itemCount);
    int i = (ring.RingWrite - ring.Unscanned) & StatusRing::kMask;
    int candidate = -1;
    bool found = false;
    for (int left = ring.Unscanned; left > 0; --left) {
        const int b = ring.bytes[i] & 0x7F;
        if (b == ctl::DC2) {
            candidate = i;
        } else if (b == ctl::DC4 && candidate >= 0 && ((i - candidate) & StatusRing::kMask) == distance) {
            ring.FrameStart = candidate;
            candidate = -1;
            found = true;
        }
        i = (i + 1) & StatusRing::kMask;
    }
    // The next scan starts just after the newest frame's DC2; without a new frame it looks at the
    // same bytes again, as one not complete yet may be.
    if (found)
        ring.Unscanned = (ring.RingWrite - ring.FrameStart - 1) & StatusRing::kMask;
}

StatusWord decodeStatusWord(const char* raw) {
    const QByteArray text = digitText(raw);
    StatusWord w;
    w.errorNumber =
        (static_cast<unsigned char>(text[0]) - 0x30) * 10 + (static_cast<unsigned char>(text[1]) - 0x30);
    w.replySeq = static_cast<int>(parseHexBytes(raw + 7, 1)) & 7;
    return w;
}

bool StatusDecoder::takeStatusWord(const char* raw, bool marked) {
    if (!marked)
        return false;
    const QByteArray digits = digitText(raw);
    SequenceState& seq = m_state.seq;
    // The command state shows before the sequence check, so a stale frame still updates it.
    m_state.status.LabelCommandState = QString::fromLatin1(digits.left(4) + '-' + digits.mid(4));
    const StatusWord word = decodeStatusWord(raw);
    if (seq.Resyncing()) {
        seq.adopted(word.replySeq);
    } else if (word.replySeq != seq.RequestSeq) {
        seq.FrameValid = false;
        return false;
    } else {
        seq.FrameValid = true;
    }
    LiveValues& live = m_state.live;
    if (word.errorNumber >= 0 && word.errorNumber <= 99)
        live.StatusErrorNumber = word.errorNumber;
    if (word.errorNumber >= 0 && word.errorNumber <= 99 && word.errorNumber != live.LastErrorNumber) {
        live.LastErrorNumber = word.errorNumber;
        const QString text =
            word.errorNumber < m_errorTexts.size() ? m_errorTexts[word.errorNumber] : QString();
        m_message.note(errorLine(word.errorNumber, text));
    }
    return true;
}

void StatusDecoder::takeTypeItem(int item, const char* raw) {
    LiveValues& live = m_state.live;
    // Four characters an item, each from two digits; the text ends at its first zero character.
    const int offset = item == kTypeItems[0] ? 0 : 5;
    for (int c = 0; c < 4; ++c)
        live.TypeText[offset + c] = static_cast<char>(parseHexBytes(raw + 2 * c, 2));
    const qsizetype end = live.TypeText.indexOf('\0');
    m_state.status.LabelType = QString::fromLatin1(end < 0 ? live.TypeText : live.TypeText.left(end));
}

void StatusDecoder::decode(const StatusRing& ring, int itemCount) {
    if (ring.FrameStart < 0)
        return;
    auto at = [&](int pos) { return ring.bytes[(ring.FrameStart + pos) & StatusRing::kMask]; };
    LiveValues& live = m_state.live;
    StatusView& view = m_state.status;

    for (int k = 0; k <= itemCount && k < LiveValues::kItems; ++k) {
        const unsigned char check = at(kItemCheck + kItemStride * k);
        if (check != 'd' && check != '%')
            return;
        const int first = k == 0 ? kStatusDigits : kItemDigits + kItemStride * k;
        char raw[8];
        for (int i = 0; i < 8; ++i)
            raw[i] = static_cast<char>(at(first + i));
        const QByteArray digits = digitText(raw);
        const auto value = static_cast<qint32>(parseHexBytes(raw, 8));

        if (k == 0 && !takeStatusWord(raw, at(kStatusMark) == 'H'))
            return;
        // Every item's value is kept, the fixed ones too: a script watches them as numbers.
        live.PollValues[k] = value;
        if (k == 0)
            continue;
        if (k < kTypeItems[0]) {
            view.axes[k - kFirstAxisItem] = axisText(value);
        } else if (k <= kTypeItems[1]) {
            takeTypeItem(k, raw);
        } else if (k == kVersionItems[0]) {
            live.TimeText = paddedDigits(value, 4);
            view.LabelTime = live.TimeText;
        } else if (k == kVersionItems[1]) {
            live.TimeText += QLatin1Char('-') + paddedDigits(value, 4);
            view.LabelTime = live.TimeText;
        } else {
            live.PollHexTexts[k] = digits.left(4) + '-' + digits.mid(4);
            live.PollValueTexts[k - kFirstBlockItem] = groupedValueText(value);
        }
    }
}

} // namespace velmorix
