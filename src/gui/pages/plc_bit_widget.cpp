#include "gui/pages/plc_bit_widget.h"

#include "core/app/console.h"
#include "gui/widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

namespace {

// Group buttons in column order, with their tags.
struct GroupButton {
    const char* name;
    const char* caption;
    int tag;
};
constexpr GroupButton kGroupButtons[] = {
    {"BtnCnbit", "CN_Bit", 8},  {"BtnTmbit", "TM_Bit", 9},  {"BtnIbit", "I_Bit", 0},
    {"BtnObit", "O_Bit", 1},    {"BtnCbit", "C_Bit", 2},    {"BtnSbit", "S_Bit", 3},
    {"BtnAbit", "A_Bit", 4},    {"BtnA256bit", "A+256", 5}, {"BtnA512bit", "A+512", 6},
    {"BtnA768bit", "A+768", 7},
};

} // namespace

PlcBitWidget::PlcBitWidget(Console& console, QObject* parent) : QObject(parent), m_console(console) {}

QWidget* PlcBitWidget::build() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelSetting"));
    auto* row = new QHBoxLayout(page);
    auto* display = new QWidget(page);
    display->setObjectName(QStringLiteral("PanelDisplay"));
    auto* grid = new QGridLayout(display);
    grid->setSpacing(2);
    for (int r = 0; r < 16; ++r) {
        m_headings[r] = purple(label(display, QStringLiteral("StaticTextB%1").arg(r + 1)));
        grid->addWidget(m_headings[r], r, 0);
        for (int c = 0; c < 16; ++c) {
            const int n = 16 * r + c;
            QLabel* cell = label(display, QStringLiteral("StaticText%1").arg(n));
            cell->setAlignment(Qt::AlignCenter);
            cell->setAutoFillBackground(true);
            cell->setFrameShape(QFrame::Panel);
            cell->setFrameShadow(QFrame::Raised);
            m_cells[n] = cell;
            grid->addWidget(cell, r, c + 1);
        }
    }
    row->addWidget(display, 1);
    auto* column = new QVBoxLayout;
    for (const GroupButton& g : kGroupButtons) {
        QPushButton* b = button(page, QString::fromLatin1(g.name), QString::fromLatin1(g.caption));
        m_groupButtons[g.tag] = b;
        column->addWidget(b, 0, Qt::AlignRight);
        connect(b, &QPushButton::clicked, this, [this, tag = g.tag] { m_console.BitGroupClick(tag); });
    }
    column->addStretch(1);
    row->addLayout(column);
    return page;
}

void PlcBitWidget::render() {
    const PlcBitView& p = m_console.pages().plc();
    for (int r = 0; r < 16; ++r)
        setText(m_headings[r], p.rowHeadings[r]);
    // Only the cells whose bit changed are repainted.
    for (int n = 0; n < 256; ++n) {
        setText(m_cells[n], p.cellCaptions[n]);
        if (m_cellPainted[n] && m_cellLit[n] == p.lit[n])
            continue;
        m_cellLit[n] = p.lit[n];
        m_cellPainted[n] = true;
        QPalette pal = m_cells[n]->palette();
        pal.setColor(QPalette::Window,
                     p.lit[n] ? kLit : m_cells[n]->parentWidget()->palette().color(QPalette::Button));
        m_cells[n]->setPalette(pal);
    }
    for (int tag = 0; tag < 10; ++tag)
        setBold(m_groupButtons[tag], tag == p.boldGroup);
}

} // namespace velmorix
