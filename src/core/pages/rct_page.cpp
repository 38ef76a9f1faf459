#include "core/pages/rct_page.h"

#include "core/base/plc_var_map.h"
#include "core/pages/value_edit.h"
#include "core/poll/status_texts.h"

#include <algorithm>

namespace velmorix {

namespace {

struct RctKind {
    const char* caption;
    const char* prefix;
    qint32 first;
};

// By kind - 1.
constexpr RctKind kRctKinds[] = {
    {"Velmorix\\Plc\\Register", "R", PlcVarMap::Registers},
    {"Velmorix\\Plc\\Counter", "CN", PlcVarMap::Counters},
    {"Velmorix\\Plc\\Timer", "TM", PlcVarMap::Timers},
};
constexpr int kRows = 32;
constexpr int kLastOffset = 224;

} // namespace

RctPage::RctPage(ConsoleState& state, Link& link, Prompts& prompts)
    : m_state(state), m_link(link), m_prompts(prompts) {}

void RctPage::nameRows() {
    const int kind = std::clamp(m_view.RctKind, 1, 3);
    for (int n = 0; n < kRows; ++n)
        m_view.names[n] = QLatin1Char('(') + QString::fromLatin1(kRctKinds[kind - 1].prefix) +
                          paddedDigits(m_view.RctOffset + n, 3) + QLatin1Char(')');
}

void RctPage::selectRctKind(int kind) {
    if (kind < 1 || kind > 3)
        return;
    m_state.view.caption = QString::fromLatin1(kRctKinds[kind - 1].caption);
    m_view.RctKind = kind;
    m_view.RctOffset = 0;
    nameRows();
    m_view.boldOffset = 0;
    m_state.block.update(kRctKinds[kind - 1].first, kRows);
}

void RctPage::BtnPlcRct032Click(int offset) {
    if (offset < 0 || offset > kLastOffset || offset % kRows != 0 || m_view.RctKind < 1)
        return;
    m_view.RctOffset = offset;
    nameRows();
    m_view.boldOffset = offset;
    m_state.block.update(kRctKinds[m_view.RctKind - 1].first + offset, kRows);
}

void RctPage::StaticTextPlcRct0_10Click(int row) {
    if (row < 0 || row >= kRows || m_view.RctKind < 1)
        return;
    editBlockValue(m_prompts, m_link, m_state.live, row, m_view.names[row], {ValueField::Kind::PlcRct, row},
                   kRctKinds[m_view.RctKind - 1].first + m_view.RctOffset + row);
}

void RctPage::refresh() {
    for (int n = 0; n < kRows; ++n) {
        m_view.values[n] = m_state.live.PollValueTexts[n];
        m_view.hexes[n] = QString::fromLatin1(m_state.live.blockHex(n));
    }
}

void RctPage::blank() {
    m_view.values.fill(QString());
    m_view.hexes.fill(QString());
}

} // namespace velmorix
