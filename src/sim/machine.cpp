#include "sim/machine.h"

#include <QSet>
#include <cmath>
#include <optional>

namespace velmorix::sim {

namespace {
constexpr double kRapidFeed = 6000.0; // mm/min
constexpr char kAxisLetters[] = "XYZABCUVW";

int axisOf(char letter) {
    for (int i = 0; i < Machine::kAxes; ++i)
        if (kAxisLetters[i] == letter)
            return i;
    return -1;
}

struct Word {
    char letter;
    double number;
};

// Splits a block into words; nullopt with the error number when it holds something unknown.
std::optional<QList<Word>> splitWords(const QByteArray& block, int* error) {
    static const QByteArray kKnown = "GMSTFXYZABCUVWNPLOHDRIJKQ";
    QList<Word> words;
    qsizetype i = 0;
    while (i < block.size()) {
        const char c = block[i];
        if (c == ' ' || c == '\t' || c == '%') {
            ++i;
            continue;
        }
        if (c == '(') { // comment up to ")"
            const qsizetype close = block.indexOf(')', i);
            i = close < 0 ? block.size() : close + 1;
            continue;
        }
        const char letter = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        if (!kKnown.contains(letter)) {
            *error = Machine::kErrUnknownWord;
            return std::nullopt;
        }
        qsizetype j = i + 1;
        while (j < block.size() && (block[j] == '-' || block[j] == '+' || block[j] == '.' ||
                                    block[j] == ' ' || (block[j] >= '0' && block[j] <= '9')))
            ++j;
        const QByteArray num = block.mid(i + 1, j - i - 1).replace(" ", "");
        bool ok = false;
        const double v = num.toDouble(&ok);
        if (!ok) {
            *error = Machine::kErrBadNumber;
            return std::nullopt;
        }
        words << Word{letter, v};
        i = j;
    }
    return words;
}
} // namespace

Machine::Machine() {
    const std::array<qint64, kAxes> home{125000, -42500, 10000, 90000, 0, 0, 0, 0, 0};
    m_from = home;
    m_to = home;
}

qint32 Machine::position(int axis, qint64 atUs) const {
    if (axis < 0 || axis >= kAxes)
        return 0;
    if (atUs >= m_endUs || m_endUs <= m_startUs)
        return static_cast<qint32>(m_to[axis]);
    const double f = double(atUs - m_startUs) / double(m_endUs - m_startUs);
    return static_cast<qint32>(std::llround(m_from[axis] + f * double(m_to[axis] - m_from[axis])));
}

qint32 Machine::followingError(int axis, qint64 atUs) const {
    if (axis < 0 || axis >= kAxes || !moving(atUs) || m_endUs <= m_startUs)
        return 0;
    // thousandths per second / 50: 2 thousandths at 6 mm/min... 100 at 300 mm/min
    const double perSecond = double(m_to[axis] - m_from[axis]) * 1e6 / double(m_endUs - m_startUs);
    return static_cast<qint32>(std::lround(perSecond / 50.0));
}

qint32 Machine::pulses(int axis, qint64 atUs) const {
    return 4 * (position(axis, atUs) - followingError(axis, atUs));
}

void Machine::settle(qint64 atUs) {
    for (int a = 0; a < kAxes; ++a)
        m_from[a] = m_to[a] = position(a, atUs);
    m_startUs = m_endUs = atUs;
}

void Machine::setPosition(int axis, qint32 thousandths, qint64 atUs) {
    if (axis < 0 || axis >= kAxes)
        return;
    settle(atUs);
    m_from[axis] = m_to[axis] = thousandths;
}

namespace {

// What one block asks for.
struct BlockWords {
    std::optional<int> motion; // 0 rapid, 1 feed
    std::optional<bool> absolute;
    std::optional<double> feed;
    bool setOrigin = false; // G92
    bool g10 = false;
    int p = -1;
    int l = -1;
    std::array<std::optional<double>, Machine::kAxes> axes;
};

// The block's words read into what they ask for; 0, or the error number of a G code it does not know.
int readWords(const QList<Word>& words, BlockWords& b) {
    static const QSet<int> kGCodes{0,  1,  2,  3,  4,  10, 17, 18, 19, 20, 21, 28, 40, 41, 42,
                                   43, 49, 53, 54, 55, 56, 57, 58, 59, 80, 90, 91, 92, 94, 95};
    for (const Word& w : words) {
        if (w.letter == 'G') {
            const int g = static_cast<int>(w.number);
            if (!kGCodes.contains(g) || g != w.number)
                return Machine::kErrUnknownGCode;
            if (g == 0 || g == 1 || g == 2 || g == 3)
                b.motion = g == 0 ? 0 : 1; // arcs run as straight moves to their end point
            else if (g == 90 || g == 91)
                b.absolute = g == 90;
            b.setOrigin = b.setOrigin || g == 92;
            b.g10 = b.g10 || g == 10;
        } else if (w.letter == 'F' && w.number > 0) {
            b.feed = w.number;
        } else if (w.letter == 'P') {
            b.p = static_cast<int>(w.number);
        } else if (w.letter == 'L') {
            b.l = static_cast<int>(w.number);
        } else if (const int a = axisOf(w.letter); a >= 0) {
            b.axes[a] = w.number;
        }
    }
    return 0;
}

} // namespace

bool Machine::execute(const QByteArray& block, qint64 atUs) {
    int error = 0;
    const auto words = splitWords(block, &error);
    BlockWords b;
    if (words)
        error = readWords(*words, b);
    if (!words || error) {
        m_error = error;
        return false;
    }
    if (b.feed)
        m_feed = *b.feed;
    if (b.absolute)
        m_absolute = *b.absolute;
    if (b.g10) {
        if (b.p == 600)
            m_flashWrites << b.l;
        return true;
    }
    settle(atUs);
    if (b.setOrigin) {
        for (int a = 0; a < kAxes; ++a)
            if (b.axes[a])
                m_from[a] = m_to[a] = std::llround(*b.axes[a] * 1000.0);
        return true;
    }
    if (b.motion)
        m_motion = *b.motion;
    double distSq = 0;
    for (int a = 0; a < kAxes; ++a) {
        if (!b.axes[a])
            continue;
        const qint64 delta = std::llround(*b.axes[a] * 1000.0);
        m_to[a] = m_absolute ? delta : m_from[a] + delta;
        const double d = double(m_to[a] - m_from[a]) / 1000.0;
        distSq += d * d;
    }
    const double feed = m_motion == 0 ? kRapidFeed : m_feed;
    m_startUs = atUs;
    m_endUs = atUs + static_cast<qint64>(std::sqrt(distSq) / feed * 60e6);
    return true;
}

} // namespace velmorix::sim
