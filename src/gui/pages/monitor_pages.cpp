#include "gui/pages/monitor_pages.h"

#include "gui/files/file_service_page.h"
#include "gui/main/click_label.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmorix {

namespace {

const QColor kLit(255, 128, 128);
const QColor kPurple(128, 0, 128);

QFont fixedFont() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

void setText(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

void setBold(QWidget* w, bool bold) {
    QFont f = w->font();
    if (f.bold() != bold) {
        f.setBold(bold);
        w->setFont(f);
    }
}

QLabel* label(QWidget* parent, const QString& name, bool fixed = true) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    if (fixed)
        l->setFont(fixedFont());
    return l;
}

QLabel* purple(QLabel* l) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, kPurple);
    l->setPalette(p);
    return l;
}

// A white, right-aligned value field that reports clicks.
ClickLabel* valueField(QWidget* parent, const QString& name, int chars) {
    auto* l = new ClickLabel(parent);
    l->setObjectName(name);
    l->setFont(fixedFont());
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::white);
    l->setPalette(p);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    l->setFixedWidth(QFontMetrics(l->font()).horizontalAdvance(QString(chars, QLatin1Char('0'))) + 8);
    l->setMinimumHeight(22);
    l->setCursor(Qt::PointingHandCursor);
    return l;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

// Group buttons of page 1 in column order, with their tags.
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

MonitorPages::MonitorPages(Console& console, QStackedWidget* notebook)
    : QObject(notebook), m_console(console) {
    // Pages 1 to 5 after the Comm page.
    notebook->addWidget(buildPlcBitPage());
    notebook->addWidget(buildVarPage());
    notebook->addWidget(buildRctPage());
    notebook->addWidget(buildFileSvcPage());
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("PanelEmpty"));
    notebook->addWidget(empty);
}

QWidget* MonitorPages::buildPlcBitPage() {
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

QWidget* MonitorPages::buildRctPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelPlcRct"));
    auto* row = new QHBoxLayout(page);
    auto* rows = new QWidget(page);
    rows->setObjectName(QStringLiteral("PanelPlcRct_UP"));
    auto* grid = new QGridLayout(rows);
    grid->setVerticalSpacing(2);
    for (int n = 0; n < 32; ++n) {
        const int r = n % 16;
        const int col = (n / 16) * 4;
        m_rctValues[n] = valueField(rows, QStringLiteral("StaticTextPlcRct%1_10").arg(n), 11);
        m_rctNames[n] = purple(label(rows, QStringLiteral("StaticTextPlcRct%1").arg(n)));
        m_rctNames[n]->setAlignment(Qt::AlignCenter);
        m_rctHexes[n] = label(rows, QStringLiteral("StaticTextPlcRct%1_16").arg(n));
        grid->addWidget(m_rctValues[n], r, col);
        grid->addWidget(m_rctNames[n], r, col + 1);
        grid->addWidget(m_rctHexes[n], r, col + 2);
        connect(m_rctValues[n], &ClickLabel::pressed, this,
                [this, n] { m_console.StaticTextPlcRct0_10Click(n); });
    }
    grid->setColumnMinimumWidth(3, 12);
    row->addWidget(rows, 1);
    auto* column = new QVBoxLayout;
    const char* const kinds[][2] = {
        {"BtnRegister", "Register"}, {"BtnCounter", "Counter"}, {"BtnTimer", "Timer"}};
    for (int k = 0; k < 3; ++k) {
        m_kindButtons[k] = button(page, QString::fromLatin1(kinds[k][0]), QString::fromLatin1(kinds[k][1]));
        column->addWidget(m_kindButtons[k]);
        connect(m_kindButtons[k], &QPushButton::clicked, this, [this, k] { m_console.RctKindClick(k + 1); });
    }
    column->addSpacing(8);
    for (int i = 0; i < 8; ++i) {
        const int offset = 32 * i;
        const QString digits = QStringLiteral("%1").arg(offset, 3, 10, QLatin1Char('0'));
        m_offsetButtons[i] =
            button(page, QStringLiteral("BtnPlcRct") + digits, digits + QStringLiteral("++"));
        column->addWidget(m_offsetButtons[i]);
        connect(m_offsetButtons[i], &QPushButton::clicked, this,
                [this, offset] { m_console.BtnPlcRct032Click(offset); });
    }
    column->addStretch(1);
    row->addLayout(column);
    return page;
}

QWidget* MonitorPages::buildVarPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelVar"));
    auto* row = new QHBoxLayout(page);

    PanelVar_Display = new QWidget(page);
    PanelVar_Display->setObjectName(QStringLiteral("PanelVar_Display"));
    auto* grid = new QGridLayout(PanelVar_Display);
    grid->setVerticalSpacing(12);
    for (int k = 0; k < 20; ++k) {
        const int r = k % 10;
        const int col = (k / 10) * 4;
        m_varValues[k] = valueField(PanelVar_Display, QStringLiteral("StaticTextVar%1_10").arg(k), 11);
        m_varNumbers[k] = purple(label(PanelVar_Display, QStringLiteral("Labelvar%1").arg(k)));
        m_varNumbers[k]->setAlignment(Qt::AlignCenter);
        m_varHexes[k] = label(PanelVar_Display, QStringLiteral("StaticTextVar%1_16").arg(k));
        grid->addWidget(m_varValues[k], r, col);
        grid->addWidget(m_varNumbers[k], r, col + 1);
        grid->addWidget(m_varHexes[k], r, col + 2);
        connect(m_varValues[k], &ClickLabel::pressed, this,
                [this, k] { m_console.StaticTextVar0_10Click(k); });
    }
    grid->setColumnMinimumWidth(3, 12);
    grid->setColumnStretch(7, 1);

    PanelCncInfo_Display = new QWidget(page);
    PanelCncInfo_Display->setObjectName(QStringLiteral("PanelCncInfo_Display"));
    auto* named = new QGridLayout(PanelCncInfo_Display);
    named->setVerticalSpacing(3);
    for (int k = 0; k < 10; ++k) {
        m_namedValues[k] =
            valueField(PanelCncInfo_Display, QStringLiteral("StaticTextCncInfo%1_10").arg(k), 11);
        m_namedNumbers[k] = purple(label(PanelCncInfo_Display, QStringLiteral("LabelCncInfo%1").arg(k)));
        m_names[k] = label(PanelCncInfo_Display, QStringLiteral("StaticTextCncInfo%1").arg(k), false);
        m_names[k]->setAutoFillBackground(true);
        m_names[k]->setFrameShape(QFrame::Panel);
        m_names[k]->setFrameShadow(QFrame::Sunken);
        m_names[k]->setFixedHeight(2 * QFontMetrics(m_names[k]->font()).height() + 6);
        m_names[k]->setFixedWidth(26 * QFontMetrics(fixedFont()).horizontalAdvance(QLatin1Char('(')));
        named->addWidget(m_namedValues[k], k, 0);
        named->addWidget(m_namedNumbers[k], k, 1);
        named->addWidget(m_names[k], k, 2);
        connect(m_namedValues[k], &ClickLabel::pressed, this,
                [this, k] { m_console.StaticTextCncInfo0_10Click(k); });
    }
    named->setColumnStretch(3, 1);
    PanelCncInfo_Display->hide();

    auto* displays = new QVBoxLayout;
    displays->addWidget(PanelVar_Display);
    displays->addWidget(PanelCncInfo_Display);
    displays->addStretch(1);
    row->addLayout(displays, 1);

    auto* column = new QVBoxLayout;
    auto* box1000 = new QGroupBox(QStringLiteral(":1000#"), page);
    box1000->setObjectName(QStringLiteral("GroupBox1000"));
    ComboBox1000 = new QComboBox(box1000);
    ComboBox1000->setObjectName(QStringLiteral("ComboBox1000"));
    ComboBox1000->setFont(fixedFont());
    (new QVBoxLayout(box1000))->addWidget(ComboBox1000);
    auto* box100 = new QGroupBox(QStringLiteral(":100#"), page);
    box100->setObjectName(QStringLiteral("GroupBox100"));
    ComboBox100 = new QComboBox(box100);
    ComboBox100->setObjectName(QStringLiteral("ComboBox100"));
    ComboBox100->setFont(fixedFont());
    for (int h = 0; h < 10; ++h)
        ComboBox100->addItem(QStringLiteral("%1").arg(h * 100, 3, 10, QLatin1Char('0')));
    (new QVBoxLayout(box100))->addWidget(ComboBox100);
    auto* tens = new QGroupBox(QStringLiteral(":10#"), page);
    tens->setObjectName(QStringLiteral("RadioGroup10"));
    auto* tensGrid = new QGridLayout(tens);
    m_tens = new QButtonGroup(tens);
    for (int d = 0; d < 10; ++d) {
        auto* b = new QRadioButton(QStringLiteral("%1").arg(d * 10, 2, 10, QLatin1Char('0')), tens);
        m_tens->addButton(b, d);
        tensGrid->addWidget(b, d % 5, d / 5);
    }
    m_tens->button(0)->setChecked(true);
    auto* up = button(page, QStringLiteral("ButtonPageUp"), QStringLiteral("PageUp"));
    auto* down = button(page, QStringLiteral("ButtonPageDown"), QStringLiteral("PageDn"));
    column->addWidget(box1000);
    column->addWidget(box100);
    column->addWidget(tens);
    column->addWidget(up);
    column->addWidget(down);
    column->addStretch(1);
    row->addLayout(column);

    connect(ComboBox1000, &QComboBox::activated, this, [this] { selectorChanged(); });
    connect(ComboBox100, &QComboBox::activated, this, [this] { selectorChanged(); });
    connect(m_tens, &QButtonGroup::idClicked, this, [this] { selectorChanged(); });
    connect(up, &QPushButton::clicked, this, [this] { m_console.ButtonPageUpClick(); });
    connect(down, &QPushButton::clicked, this, [this] { m_console.ButtonPageDownClick(); });
    return page;
}

QWidget* MonitorPages::buildFileSvcPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelFileSvc"));
    auto* v = new QVBoxLayout(page);
    m_fileService = new QWidget(page);
    m_fileService->setObjectName(QStringLiteral("FileServiceArea"));
    m_files = new FileServicePage(m_console, m_fileService);
    MemoHelp = new QPlainTextEdit(page);
    MemoHelp->setObjectName(QStringLiteral("MemoHelp"));
    MemoHelp->setReadOnly(true);
    MemoHelp->hide();
    v->addWidget(m_fileService, 1);
    v->addWidget(MemoHelp, 1);
    return page;
}

void MonitorPages::selectorChanged() {
    m_console.ComboBox1000Change(ComboBox1000->currentIndex(), ComboBox100->currentIndex(),
                                 m_tens->checkedId());
}

int MonitorPages::nameLabelChars() const {
    const int paren = QFontMetrics(m_namedNumbers[0]->font()).horizontalAdvance(QLatin1Char('('));
    return paren > 0 ? m_names[0]->width() / paren : 0;
}

void MonitorPages::render() {
    renderPlc();
    renderRct();
    renderVar();
    m_files->render();
    const MainView& v = m_console.state().view;
    const bool help = v.MemoHelpShown;
    MemoHelp->setVisible(help);
    m_fileService->setVisible(!help);
    const QString text = m_console.tables().helpText();
    if (text != m_helpShown) {
        m_helpShown = text;
        MemoHelp->setPlainText(text);
    }
}

void MonitorPages::renderPlc() {
    const PlcBitView& p = m_console.pages().plc();
    for (int r = 0; r < 16; ++r)
        setText(m_headings[r], p.rowHeadings[r]);
    // Only the cells whose bit changed are repainted.
    for (int n = 0; n < 256; ++n) {
        setText(m_cells[n], p.cellCaptions[n]);
        if (m_cellLit[n] != p.lit[n] || !m_cells[n]->property("painted").isValid()) {
            m_cellLit[n] = p.lit[n];
            QPalette pal = m_cells[n]->palette();
            pal.setColor(QPalette::Window,
                         p.lit[n] ? kLit : m_cells[n]->parentWidget()->palette().color(QPalette::Button));
            m_cells[n]->setPalette(pal);
            m_cells[n]->setProperty("painted", true);
        }
    }
    for (int tag = 0; tag < 10; ++tag)
        setBold(m_groupButtons[tag], tag == p.boldGroup);
}

void MonitorPages::renderRct() {
    const RctView& r = m_console.pages().rct();
    for (int n = 0; n < 32; ++n) {
        setText(m_rctValues[n], r.values[n]);
        setText(m_rctNames[n], r.names[n]);
        setText(m_rctHexes[n], r.hexes[n]);
    }
    for (int k = 0; k < 3; ++k)
        setBold(m_kindButtons[k], r.RctKind == k + 1);
    for (int i = 0; i < 8; ++i)
        setBold(m_offsetButtons[i], r.boldOffset == 32 * i);
}

void MonitorPages::renderVar() {
    const VarView& v = m_console.pages().var();
    PanelVar_Display->setVisible(!v.CncInfoLayout);
    PanelCncInfo_Display->setVisible(v.CncInfoLayout);
    if (m_thousandsShown != v.thousands) {
        m_thousandsShown = v.thousands;
        const QSignalBlocker block(ComboBox1000);
        ComboBox1000->clear();
        ComboBox1000->addItems(v.thousands);
    }
    ComboBox1000->setEnabled(v.thousands.size() != 1);
    if (ComboBox1000->currentIndex() != v.T) {
        const QSignalBlocker block(ComboBox1000);
        ComboBox1000->setCurrentIndex(v.T);
    }
    if (ComboBox100->currentIndex() != v.H) {
        const QSignalBlocker block(ComboBox100);
        ComboBox100->setCurrentIndex(v.H);
    }
    if (m_tens->checkedId() != v.D)
        m_tens->button(v.D)->setChecked(true);
    for (int k = 0; k < 20; ++k) {
        setText(m_varValues[k], v.values[k]);
        setText(m_varNumbers[k], v.numbers[k]);
        setText(m_varHexes[k], v.hexes[k]);
    }
    for (int k = 0; k < 10; ++k) {
        setText(m_namedValues[k], v.namedValues[k]);
        setText(m_namedNumbers[k], v.namedNumbers[k]);
        setText(m_names[k], QString(v.names[k]).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
}

} // namespace velmorix
