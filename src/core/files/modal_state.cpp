#include "core/files/modal_state.h"

#include <QtGlobal>
#include <cctype>

namespace velmorix {

namespace {

// The modal group of a G code given as its number text ("1", "01", "54.1"); -1 when it is no modal
// code (a dwell, a home return, an offset setting act once).
int groupOf(const QByteArray& number) {
    bool ok = false;
    const double v = number.toDouble(&ok);
    if (!ok)
        return -1;
    const int whole = static_cast<int>(v);
    const bool integral = double(whole) == v;
    if (integral && whole >= 0 && whole <= 3)
        return 0; // motion
    if (integral && whole >= 17 && whole <= 19)
        return 1; // plane
    if (integral && (whole == 90 || whole == 91))
        return 2; // distance
    if (integral && whole >= 93 && whole <= 95)
        return 3; // feed mode
    if (integral && (whole == 20 || whole == 21 || whole == 70 || whole == 71))
        return 4; // units
    if (integral && whole >= 40 && whole <= 42)
        return 5; // cutter compensation
    if (integral && (whole == 43 || whole == 44 || whole == 49))
        return 6; // tool length compensation
    if (integral && (whole == 73 || whole == 74 || whole == 76 || (whole >= 80 && whole <= 89)))
        return 7; // canned cycle
    if (integral && (whole == 98 || whole == 99))
        return 8; // return level
    if (whole >= 54 && whole <= 59)
        return 9; // work offset, G54.1 included
    if (integral && (whole == 61 || whole == 64))
        return 10; // path mode
    return -1;
}

// The program words of a line: comments removed, upper case.
QList<std::pair<char, QByteArray>> wordsOf(const QByteArray& line) {
    QList<std::pair<char, QByteArray>> words;
    int depth = 0;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        const char c = line[i];
        if (c == ';')
            break;
        if (c == '(') {
            ++depth;
            ++i;
            continue;
        }
        if (c == ')') {
            depth = std::max(0, depth - 1);
            ++i;
            continue;
        }
        if (depth > 0 || !std::isalpha(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ++i;
        QByteArray number;
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        while (i < n && (std::isdigit(static_cast<unsigned char>(line[i])) || line[i] == '.' ||
                         line[i] == '-' || line[i] == '+')) {
            number += line[i];
            ++i;
        }
        if (!number.isEmpty())
            words.append({letter, number});
    }
    return words;
}

} // namespace

void ModalState::take(const QByteArray& line) {
    for (const auto& [letter, number] : wordsOf(line)) {
        switch (letter) {
        case 'G': {
            const int group = groupOf(number);
            if (group >= 0)
                m_g[group] = 'G' + number;
            break;
        }
        case 'F':
            m_feed = 'F' + number;
            break;
        case 'S':
            m_speed = 'S' + number;
            break;
        case 'T':
            m_tool = 'T' + number;
            break;
        case 'D':
            m_cutterOffset = 'D' + number;
            break;
        case 'H':
            m_lengthOffset = 'H' + number;
            break;
        case 'M': {
            bool ok = false;
            const int m = number.toInt(&ok);
            if (ok && m >= 3 && m <= 5)
                m_spindle = 'M' + number;
            else if (ok && m >= 7 && m <= 9)
                m_coolant = 'M' + number;
            break;
        }
        default:
            break;
        }
    }
}

QList<QByteArray> ModalState::preamble() const {
    QList<QByteArray> out;
    const auto block = [&out](std::initializer_list<QByteArray> words) {
        QByteArray text;
        for (const QByteArray& w : words) {
            if (w.isEmpty())
                continue;
            if (!text.isEmpty())
                text += ' ';
            text += w;
        }
        if (!text.isEmpty())
            out << text;
    };
    block({m_g[Units], m_g[Plane], m_g[Distance], m_g[FeedMode], m_g[Offset]});
    const bool cutterOn = m_g[CutterComp] == "G41" || m_g[CutterComp] == "G42";
    const bool lengthOn = m_g[LengthComp] == "G43" || m_g[LengthComp] == "G44";
    block({m_g[CutterComp], cutterOn ? m_cutterOffset : QByteArray(), m_g[LengthComp],
           lengthOn ? m_lengthOffset : QByteArray(), m_g[Cycle], m_g[Return], m_g[Path]});
    block({m_tool});
    block({m_speed, m_spindle});
    block({m_coolant});
    block({m_feed});
    block({m_g[Motion]});
    return out;
}

ModalState ModalState::before(const DncLines& lines, qint32 line) {
    ModalState state;
    const qsizetype end = std::min<qsizetype>(std::max<qint32>(line, 1) - 1, lines.count());
    for (qsizetype i = 0; i < end; ++i)
        state.take(lines.line(i));
    return state;
}

} // namespace velmorix
