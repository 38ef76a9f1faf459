#include "core/pages/var_page.h"

#include "core/pages/value_edit.h"
#include "core/poll/status_texts.h"
#include "core/tables/text_tables.h"

#include <algorithm>
#include <limits>

namespace velmorix {

namespace {
constexpr int kMaxThousands = 1000;
constexpr int kVariableRows = 20;
constexpr int kNamedRows = 10;
} // namespace

VarPage::VarPage(ConsoleState& state, Link& link, Prompts& prompts, const TextTables& tables)
    : m_state(state), m_link(link), m_prompts(prompts), m_tables(tables) {}

QString VarPage::numberLabel(qint64 n) {
    if (n < 0 || n > 99999)
        return QString::number(n);
    const QString five = paddedDigits(n, 5);
    return QLatin1Char('(') + five.left(2) + QLatin1Char(',') + five.mid(2) + QLatin1Char(')');
}

QStringList VarPage::thousandItems(qint32 start, qint32 size) {
    QStringList items;
    // Only thousands whose every row (up to 990 + 19 past the thousand) is a 32-bit number.
    for (qint64 v = start; v < static_cast<qint64>(start) + size && items.size() < kMaxThousands &&
                           v + 1009 <= std::numeric_limits<qint32>::max();
         v += 1000)
        items << (v == 0 ? QStringLiteral("0000") : QString::number(v));
    return items;
}

qint64 VarPage::firstShown() const {
    return qint64(m_view.VarRangeStart) + 1000 * qint64(m_view.T) + 100 * m_view.H + 10 * m_view.D;
}

void VarPage::fillVariableRows(qint64 first) {
    for (int k = 0; k < kVariableRows; ++k)
        m_view.numbers[k] = numberLabel(first + k);
}

void VarPage::fillNamedRows(qint64 first) {
    const QStringList& table = m_view.McmDataShown ? m_tables.McmNames : m_tables.CncNames;
    // A name belongs to the variable its table was loaded for, so names and numbers always agree.
    const qint64 base = m_view.McmDataShown ? m_tables.McmNamesStart : m_tables.CncNamesStart;
    for (int k = 0; k < kNamedRows; ++k) {
        m_view.namedNumbers[k] = numberLabel(first + k);
        // Positions past the end of the range have no name.
        const qint64 index = first + k - base;
        m_view.names[k] = (index >= 0 && index < table.size()) ? table[index] : QString();
    }
}

void VarPage::showVariables(qint32 start, qint32 size) {
    m_view.VarRangeStart = start;
    fillVariableRows(start);
    m_view.CncInfoLayout = false;
    m_view.thousands = thousandItems(start, size);
    m_view.T = m_view.H = m_view.D = 0;
    m_state.block.update(start, kVariableRows);
}

void VarPage::showNamed(qint32 start, qint32 size, bool mcm, int hundreds) {
    m_view.VarRangeStart = start;
    m_view.CncInfoLayout = true;
    m_view.McmDataShown = mcm;
    m_view.thousands = thousandItems(start, size);
    m_view.T = m_view.D = 0;
    m_view.H = hundreds;
    const qint32 first = start + 100 * hundreds;
    fillNamedRows(first);
    m_state.block.update(first, kNamedRows);
}

void VarPage::ComboBox1000Change(int t, int h, int d) {
    const int T = std::clamp(t, 0, std::max<int>(0, static_cast<int>(m_view.thousands.size()) - 1));
    const int H = std::clamp(h, 0, 9);
    const int D = std::clamp(d, 0, 9);
    // A position whose rows would pass the last 32-bit number is not taken.
    const int rows = m_view.CncInfoLayout ? kNamedRows : kVariableRows;
    if (qint64(m_view.VarRangeStart) + 1000 * qint64(T) + 100 * H + 10 * D + rows - 1 >
        std::numeric_limits<qint32>::max())
        return;
    m_view.T = T;
    m_view.H = H;
    m_view.D = D;
    const qint64 first = firstShown();
    if (!m_view.CncInfoLayout) {
        fillVariableRows(first);
        m_state.block.update(static_cast<qint32>(first), kVariableRows);
    } else {
        fillNamedRows(first);
        m_state.block.update(static_cast<qint32>(first), kNamedRows);
    }
}

void VarPage::ButtonPageUpClick() {
    int t = m_view.T, h = m_view.H, d = m_view.D;
    if (d > 0) {
        --d;
    } else if (h > 0) {
        --h;
        d = 9;
    } else if (t > 0) {
        --t;
        h = d = 9;
    } else {
        t = std::max<int>(0, static_cast<int>(m_view.thousands.size()) - 1);
        h = d = 9;
    }
    ComboBox1000Change(t, h, d);
}

void VarPage::ButtonPageDownClick() {
    int t = m_view.T, h = m_view.H, d = m_view.D;
    const int last = std::max<int>(0, static_cast<int>(m_view.thousands.size()) - 1);
    if (d < 9) {
        ++d;
    } else if (h < 9) {
        ++h;
        d = 0;
    } else if (t == last) {
        t = h = d = 0;
    } else {
        ++t;
        h = d = 0;
    }
    ComboBox1000Change(t, h, d);
}

void VarPage::StaticTextVar0_10Click(int row) {
    if (row < 0 || row >= kVariableRows)
        return;
    editBlockValue(m_prompts, m_link, m_state.live, row, m_view.numbers[row], {ValueField::Kind::Var, row},
                   static_cast<qint32>(firstShown() + row));
}

void VarPage::StaticTextCncInfo0_10Click(int row) {
    if (row < 0 || row >= kNamedRows)
        return;
    editBlockValue(m_prompts, m_link, m_state.live, row, m_view.namedNumbers[row],
                   {ValueField::Kind::CncInfo, row}, static_cast<qint32>(firstShown() + row));
}

void VarPage::refreshVariables() {
    for (int k = 0; k < kVariableRows; ++k) {
        m_view.values[k] = m_state.live.PollValueTexts[k];
        m_view.hexes[k] = QString::fromLatin1(m_state.live.blockHex(k));
    }
}

void VarPage::refreshNamed() {
    for (int k = 0; k < kNamedRows; ++k)
        m_view.namedValues[k] = m_state.live.PollValueTexts[k];
}

void VarPage::blankVariables() {
    m_view.values.fill(QString());
    m_view.hexes.fill(QString());
}

void VarPage::blankNamed() {
    m_view.namedValues.fill(QString());
}

} // namespace velmorix
