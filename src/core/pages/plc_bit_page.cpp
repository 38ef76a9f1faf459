#include "core/pages/plc_bit_page.h"

#include "core/poll/status_texts.h"

namespace velmorix {

namespace {

struct BitGroup {
    const char* caption;
    char letter;
    int firstBit;
    qint32 blockStart; // from the PLC variable map: I 10800, O 10808, C 10816, S 10824, A 10832, CN 10864, TM
                       // 10872
};

constexpr int kGroupVariables = 8; // of 32 bits: a grid of 256

// By tag.
constexpr BitGroup kBitGroups[] = {
    {"Velmorix\\Plc\\I_Bit", 'I', 0, 10800},   {"Velmorix\\Plc\\O_Bit", 'O', 0, 10808},
    {"Velmorix\\Plc\\C_Bit", 'C', 0, 10816},   {"Velmorix\\Plc\\S_Bit", 'S', 0, 10824},
    {"Velmorix\\Plc\\A_Bit", 'A', 0, 10832},   {"Velmorix\\Plc\\A+256", 'A', 256, 10840},
    {"Velmorix\\Plc\\A+512", 'A', 512, 10848}, {"Velmorix\\Plc\\A+768", 'A', 768, 10856},
    {"Velmorix\\Plc\\Cn_Bit", 'N', 0, 10864},  {"Velmorix\\Plc\\Tm_Bit", 'T', 0, 10872},
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
