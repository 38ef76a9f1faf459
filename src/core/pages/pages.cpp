#include "core/pages/pages.h"

#include "core/app/prompts.h"
#include "core/link/link.h"
#include "core/poll/status_texts.h"
#include "core/tables/text_tables.h"

#include <algorithm>

namespace velmorix {

namespace {

struct BitGroup {
    const char* caption;
    char letter;
    int firstBit;
    qint32 blockStart;
};

// By tag.
constexpr BitGroup kBitGroups[] = {
    {"Velmorix\\Plc\\I_Bit", 'I', 0, 10800},   {"Velmorix\\Plc\\O_Bit", 'O', 0, 10808},
    {"Velmorix\\Plc\\C_Bit", 'C', 0, 10816},   {"Velmorix\\Plc\\S_Bit", 'S', 0, 10824},
    {"Velmorix\\Plc\\A_Bit", 'A', 0, 10832},   {"Velmorix\\Plc\\A+256", 'A', 256, 10840},
    {"Velmorix\\Plc\\A+512", 'A', 512, 10848}, {"Velmorix\\Plc\\A+768", 'A', 768, 10856},
    {"Velmorix\\Plc\\Cn_Bit", 'N', 0, 10864},  {"Velmorix\\Plc\\Tm_Bit", 'T', 0, 10872},
};

struct RctKind {
    const char* caption;
    const char* prefix;
    qint32 first;
};

// By kind - 1.
constexpr RctKind kRctKinds[] = {
    {"Velmorix\\Plc\\Register", "R", 10000},
    {"Velmorix\\Plc\\Counter", "CN", 10256},
    {"Velmorix\\Plc\\Timer", "TM", 10512},
};

constexpr int kMaxThousands = 1000;

QString threeDigits(qint64 n) {
    return PaddedDigits(n % 1000, 3);
}

} // namespace

Pages::Pages(ConsoleState& state, Link& link, Prompts& prompts, const TextTables& tables, Hooks hooks)
    : m_state(state), m_link(link), m_prompts(prompts), m_tables(tables), m_hooks(std::move(hooks)) {
    NumberGrid(0);
}

QString Pages::NumberLabel(qint64 n) {
    if (n < 0 || n > 99999)
        return QString::number(n);
    const QString five = PaddedDigits(n, 5);
    return QLatin1Char('(') + five.left(2) + QLatin1Char(',') + five.mid(2) + QLatin1Char(')');
}

QStringList Pages::ThousandItems(qint32 start, qint32 size) {
    QStringList items;
    for (qint64 v = start; v < static_cast<qint64>(start) + size && items.size() < kMaxThousands; v += 1000)
        items << (v == 0 ? QStringLiteral("0000") : QString::number(v));
    return items;
}

void Pages::showPage(NotebookPage page, int mode, const QString& caption, const QString& bold) {
    m_state.view.page = page;
    m_state.PageMode = mode;
    m_state.view.caption = caption;
    m_state.view.boldPageButton = bold;
    if (bold != QLatin1String("ButtonFileSvc"))
        m_state.view.EditKeyIn.clear();
}

// ---- PLC bits

void Pages::NumberGrid(int firstBit) {
    for (int n = 0; n < 256; ++n)
        m_plc.cellCaptions[n] = threeDigits(firstBit + n);
}

void Pages::SelectBitGroup(int tag) {
    if (tag < 0 || tag > 9)
        return;
    const BitGroup& g = kBitGroups[tag];
    m_state.view.caption = QString::fromLatin1(g.caption);
    NumberGrid(g.firstBit);
    for (int r = 0; r < 16; ++r)
        m_plc.rowHeadings[r] = QLatin1Char(g.letter) + threeDigits(g.firstBit + 16 * r);
    if (tag == 7)
        m_plc.rowHeadings[15] = QStringLiteral("1008");
    m_plc.boldGroup = tag;
    m_state.block.update(g.blockStart, 8);
}

void Pages::ButtonPlcBitClick() {
    showPage(NotebookPage::PlcBit, 0, QString(), QStringLiteral("ButtonPlcBit"));
    SelectBitGroup(0);
}

// ---- registers, counters, timers

void Pages::nameRctRows() {
    const int kind = std::clamp(m_rct.RctKind, 1, 3);
    for (int n = 0; n < 32; ++n)
        m_rct.names[n] = QLatin1Char('(') + QString::fromLatin1(kRctKinds[kind - 1].prefix) +
                         PaddedDigits(m_rct.RctOffset + n, 3) + QLatin1Char(')');
}

void Pages::SelectRctKind(int kind) {
    if (kind < 1 || kind > 3)
        return;
    m_state.view.caption = QString::fromLatin1(kRctKinds[kind - 1].caption);
    m_rct.RctKind = kind;
    m_rct.RctOffset = 0;
    nameRctRows();
    m_rct.boldOffset = 0;
    m_state.block.update(kRctKinds[kind - 1].first, 32);
}

void Pages::BtnPlcRct032Click(int offset) {
    if (offset < 0 || offset > 224 || offset % 32 != 0 || m_rct.RctKind < 1)
        return;
    m_rct.RctOffset = offset;
    nameRctRows();
    m_rct.boldOffset = offset;
    m_state.block.update(kRctKinds[m_rct.RctKind - 1].first + offset, 32);
}

void Pages::ButtonPlcRCTClick() {
    showPage(NotebookPage::PlcRct, 1, QString(), QStringLiteral("ButtonPlcRCT"));
    SelectRctKind(1);
}

void Pages::StaticTextPlcRct0_10Click(int row) {
    if (row < 0 || row > 31 || m_rct.RctKind < 1)
        return;
    editValue(row, m_rct.names[row], QStringLiteral("StaticTextPlcRct%1_10").arg(row),
              kRctKinds[m_rct.RctKind - 1].first + m_rct.RctOffset + row);
}

// ---- variable pages

qint32 Pages::firstShown() const {
    return m_var.VarRangeStart + 1000 * m_var.T + 100 * m_var.H + 10 * m_var.D;
}

void Pages::fillVariableRows(qint32 first) {
    for (int k = 0; k < 20; ++k)
        m_var.numbers[k] = NumberLabel(static_cast<qint64>(first) + k);
}

void Pages::fillNamedRows(qint32 first) {
    const QStringList& table = m_var.McmDataShown ? m_tables.McmNames : m_tables.CncNames;
    const qint64 base =
        m_var.McmDataShown ? m_state.env.ranges.McmData_start : m_state.env.ranges.CncInfo_start;
    for (int k = 0; k < 10; ++k) {
        m_var.namedNumbers[k] = NumberLabel(static_cast<qint64>(first) + k);
        // Positions past the end of the range have no name.
        const qint64 index = static_cast<qint64>(first) + k - base;
        m_var.names[k] = (index >= 0 && index < table.size()) ? table[index] : QString();
    }
}

void Pages::showVarPage(qint32 start, qint32 size, int mode, const QString& caption, const QString& bold) {
    showPage(NotebookPage::Var, mode, caption, bold);
    m_var.VarRangeStart = start;
    fillVariableRows(start);
    m_var.CncInfoLayout = false;
    m_var.thousands = ThousandItems(start, size);
    m_var.T = m_var.H = m_var.D = 0;
    m_state.block.update(start, 20);
}

void Pages::showNamedPage(qint32 start, qint32 size, bool mcm, int mode, const QString& caption,
                          const QString& bold, int hundreds) {
    showPage(NotebookPage::Var, mode, caption, bold);
    m_var.VarRangeStart = start;
    m_var.CncInfoLayout = true;
    m_var.McmDataShown = mcm;
    m_var.thousands = ThousandItems(start, size);
    m_var.T = m_var.D = 0;
    m_var.H = hundreds;
    const qint32 first = start + 100 * hundreds;
    fillNamedRows(first);
    m_state.block.update(first, 10);
}

void Pages::ButtonVarUserClick() {
    const Settings& r = m_state.env.ranges;
    showVarPage(r.User_start, r.User_size, 2, QStringLiteral("Velmorix\\Var\\User"),
                QStringLiteral("ButtonVarUser"));
}

void Pages::ButtonVarSysClick() {
    const Settings& r = m_state.env.ranges;
    showVarPage(r.Sys_start, r.Sys_size, 3, QStringLiteral("Velmorix\\Var\\System"),
                QStringLiteral("ButtonVarSys"));
}

void Pages::ButtonCNCInfoClick() {
    const Settings& r = m_state.env.ranges;
    showNamedPage(r.CncInfo_start, r.CncInfo_size, false, 4, QStringLiteral("Velmorix\\Cnc\\Infomation"),
                  QStringLiteral("ButtonCNCInfo"), 9);
}

void Pages::ButtonMCMDataClick() {
    const Settings& r = m_state.env.ranges;
    showNamedPage(r.McmData_start, r.McmData_size, true, 5, QStringLiteral("Velmorix\\Mcm\\Data"),
                  QStringLiteral("ButtonMCMData"), 0);
}

void Pages::ComboBox1000Change(int t, int h, int d) {
    m_var.T = std::clamp(t, 0, std::max<int>(0, static_cast<int>(m_var.thousands.size()) - 1));
    m_var.H = std::clamp(h, 0, 9);
    m_var.D = std::clamp(d, 0, 9);
    const qint32 first = firstShown();
    if (!m_var.CncInfoLayout) {
        fillVariableRows(first);
        m_state.block.update(first, 20);
    } else {
        fillNamedRows(first);
        m_state.block.update(first, 10);
    }
}

void Pages::ButtonPageUpClick() {
    int t = m_var.T, h = m_var.H, d = m_var.D;
    if (d > 0) {
        --d;
    } else if (h > 0) {
        --h;
        d = 9;
    } else if (t > 0) {
        --t;
        h = d = 9;
    } else {
        t = std::max<int>(0, static_cast<int>(m_var.thousands.size()) - 1);
        h = d = 9;
    }
    ComboBox1000Change(t, h, d);
}

void Pages::ButtonPageDownClick() {
    int t = m_var.T, h = m_var.H, d = m_var.D;
    const int last = std::max<int>(0, static_cast<int>(m_var.thousands.size()) - 1);
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

void Pages::StaticTextVar0_10Click(int row) {
    if (row < 0 || row > 19)
        return;
    editValue(row, m_var.numbers[row], QStringLiteral("StaticTextVar%1_10").arg(row), firstShown() + row);
}

void Pages::StaticTextCncInfo0_10Click(int row) {
    if (row < 0 || row > 9)
        return;
    editValue(row, m_var.namedNumbers[row], QStringLiteral("StaticTextCncInfo%1_10").arg(row),
              firstShown() + row);
}

void Pages::editValue(int entry, const QString& label, const QString& anchor, qint32 variable) {
    NewValueRequest request;
    request.text = QString::number(m_state.live.PollValues[14 + entry]);
    request.label = label;
    request.anchorControl = anchor;
    // A dialog closed without Enter writes nothing: writing back the value it opened with would
    // overwrite whatever the controller changed meanwhile.
    if (const auto value = m_prompts.askNewValue(request))
        m_link.SendValueWrite(variable, *value);
}

// ---- file service and help

void Pages::ButtonFileSvcClick(std::function<void()> done) {
    auto show = [this, done = std::move(done)] {
        showPage(NotebookPage::FileSvc, 7, QStringLiteral("Velmorix\\File\\Service"),
                 QStringLiteral("ButtonFileSvc"));
        m_state.view.MemoHelpShown = false;
        if (m_state.block.PollBlockStart != -1) {
            m_state.block.PollBlockStart = -1;
            m_state.block.PollBlockCount = 0;
            m_state.block.PollBlockChanged = true;
        }
        m_state.view.EditKeyIn = QStringLiteral("; PC<=>CNC :: FileTrans Servicer ;");
        if (m_hooks.enableMdiTimer)
            m_hooks.enableMdiTimer(false);
        if (done)
            done();
    };
    const bool dnc = m_state.transfer.Sending && m_state.transfer.SendFileItem == TransferFlags::kDncItem;
    if (m_state.PageMode != 7 && !dnc && m_hooks.resetSignalThen)
        m_hooks.resetSignalThen(std::move(show));
    else
        show();
}

void Pages::ButtonHelpClick() {
    showPage(NotebookPage::FileSvc, 8, QStringLiteral("Velmorix\\File\\Help"), QStringLiteral("ButtonHelp"));
    m_state.view.MemoHelpShown = true;
}

// ---- refresh and blanking

void Pages::Refresh() {
    const LiveValues& live = m_state.live;
    switch (m_state.PageMode) {
    case 0:
        for (int i = 0; i < 8; ++i) {
            const auto bits = static_cast<quint32>(live.PollValues[14 + i]);
            for (int j = 0; j < 32; ++j)
                m_plc.lit[32 * i + j] = (bits >> j) & 1u;
        }
        break;
    case 1:
        for (int n = 0; n < 32; ++n) {
            m_rct.values[n] = live.PollValueTexts[n];
            m_rct.hexes[n] = QString::fromLatin1(live.PollHexTexts[14 + n]);
        }
        break;
    case 2:
    case 3:
        for (int k = 0; k < 20; ++k) {
            m_var.values[k] = live.PollValueTexts[k];
            m_var.hexes[k] = QString::fromLatin1(live.PollHexTexts[14 + k]);
        }
        break;
    case 4:
    case 5:
        for (int k = 0; k < 10; ++k)
            m_var.namedValues[k] = live.PollValueTexts[k];
        break;
    default:
        break;
    }
}

void Pages::Blank() {
    switch (m_state.PageMode) {
    case 0:
        m_plc.lit.fill(false);
        break;
    case 1:
        m_rct.values.fill(QString());
        m_rct.hexes.fill(QString());
        break;
    case 2:
    case 3:
        m_var.values.fill(QString());
        m_var.hexes.fill(QString());
        break;
    case 4:
    case 5:
        m_var.namedValues.fill(QString());
        break;
    default:
        break;
    }
}

} // namespace velmorix
