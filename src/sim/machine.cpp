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

bool Machine::execute(const QByteArray& block, qint64 atUs) {
    static const QSet<int> kGCodes{0,  1,  2,  3,  4,  10, 17, 18, 19, 20, 21, 28, 40, 41, 42,
                                   43, 49, 53, 54, 55, 56, 57, 58, 59, 80, 90, 91, 92, 94, 95};
    int error = 0;
    const auto words = splitWords(block, &error);
    if (!words) {
        m_error = error;
        return false;
    }
    std::optional<int> motion;
    bool setOrigin = false;
    bool g10 = false;
    int p = -1;
    int l = -1;
    std::array<std::optional<double>, kAxes> axisWords;
    std::optional<bool> absolute;
    for (const Word& w : *words) {
        if (w.letter == 'G') {
            const int g = static_cast<int>(w.number);
            if (!kGCodes.contains(g) || g != w.number) {
                m_error = kErrUnknownGCode;
                return false;
            }
            if (g == 0 || g == 1 || g == 2 || g == 3)
                motion = g == 0 ? 0 : 1; // arcs run as straight moves to their end point
            else if (g == 90 || g == 91)
                absolute = g == 90;
            else if (g == 92)
                setOrigin = true;
            else if (g == 10)
                g10 = true;
        } else if (w.letter == 'F') {
            if (w.number > 0)
                m_feed = w.number;
        } else if (w.letter == 'P') {
            p = static_cast<int>(w.number);
        } else if (w.letter == 'L') {
            l = static_cast<int>(w.number);
        } else if (const int a = axisOf(w.letter); a >= 0) {
            axisWords[a] = w.number;
        }
    }
    if (absolute)
        m_absolute = *absolute;
    if (g10) {
        if (p == 600)
            m_flashWrites << l;
        return true;
    }
    settle(atUs);
    if (setOrigin) {
        for (int a = 0; a < kAxes; ++a)
            if (axisWords[a])
                m_from[a] = m_to[a] = std::llround(*axisWords[a] * 1000.0);
        return true;
    }
    if (motion)
        m_motion = *motion;
    double distSq = 0;
    for (int a = 0; a < kAxes; ++a) {
        if (!axisWords[a])
            continue;
        const qint64 delta = std::llround(*axisWords[a] * 1000.0);
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
