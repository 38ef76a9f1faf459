#include "core/pages/plc_bit_page.h"

#include "core/base/plc_var_map.h"
#include "core/poll/status_texts.h"

namespace velmorix {

namespace {

struct BitGroup {
    const char* caption;
    char letter;
    int firstBit;
    qint32 blockStart;
};

constexpr int kGroupVariables = PlcVarMap::kBitGroupWords;

// By tag.
constexpr BitGroup kBitGroups[] = {
    {"Velmorix\\Plc\\I_Bit", 'I', 0, PlcVarMap::I},
    {"Velmorix\\Plc\\O_Bit", 'O', 0, PlcVarMap::O},
    {"Velmorix\\Plc\\C_Bit", 'C', 0, PlcVarMap::C},
    {"Velmorix\\Plc\\S_Bit", 'S', 0, PlcVarMap::S},
    {"Velmorix\\Plc\\A_Bit", 'A', 0, PlcVarMap::A},
    {"Velmorix\\Plc\\A+256", 'A', 256, PlcVarMap::A + 8},
    {"Velmorix\\Plc\\A+512", 'A', 512, PlcVarMap::A + 16},
    {"Velmorix\\Plc\\A+768", 'A', 768, PlcVarMap::A + 24},
    {"Velmorix\\Plc\\Cn_Bit", 'N', 0, PlcVarMap::CN},
    {"Velmorix\\Plc\\Tm_Bit", 'T', 0, PlcVarMap::TM},
};
constexpr int kA768Tag = 7;

QString threeDigits(qint64 n) {
    return paddedDigits(n % 1000, 3);
}

} // namespace

PlcBitPage::PlcBitPage(ConsoleState& state) : m_state(state) {
    numberGrid(0);
}

void PlcBitPage::numberGrid(int firstBit) {
    for (int n = 0; n < 256; ++n)
        m_view.cellCaptions[n] = threeDigits(firstBit + n);
}

void PlcBitPage::selectBitGroup(int tag) {
    if (tag < 0 || tag > 9)
        return;
    const BitGroup& g = kBitGroups[tag];
    m_state.view.caption = QString::fromLatin1(g.caption);
    numberGrid(g.firstBit);
    for (int r = 0; r < 16; ++r)
        m_view.rowHeadings[r] = QLatin1Char(g.letter) + threeDigits(g.firstBit + 16 * r);
    if (tag == kA768Tag)
        m_view.rowHeadings[15] = QStringLiteral("1008");
    m_view.boldGroup = tag;
    m_state.block.update(g.blockStart, kGroupVariables);
}

void PlcBitPage::refresh() {
    for (int i = 0; i < kGroupVariables; ++i) {
        const auto bits = static_cast<quint32>(m_state.live.blockValue(i));
        for (int j = 0; j < 32; ++j)
            m_view.lit[32 * i + j] = (bits >> j) & 1u;
    }
}

void PlcBitPage::blank() {
    m_view.lit.fill(false);
}

} // namespace velmorix
