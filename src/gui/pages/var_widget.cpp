#include "gui/pages/var_widget.h"

#include "core/app/console.h"
#include "gui/main/click_label.h"
#include "gui/widgets.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

VarWidget::VarWidget(Console& console, QObject* parent) : QObject(parent), m_console(console) {}

QWidget* VarWidget::buildVariableRows(QWidget* page) {
    PanelVar_Display = new QWidget(page);
    PanelVar_Display->setObjectName(QStringLiteral("PanelVar_Display"));
    auto* grid = new QGridLayout(PanelVar_Display);
    grid->setVerticalSpacing(12);
    for (int k = 0; k < 20; ++k) {
        const int r = k % 10;
        const int col = (k / 10) * 4;
        m_values[k] = valueField(PanelVar_Display, QStringLiteral("StaticTextVar%1_10").arg(k), 11);
        m_numbers[k] = purple(label(PanelVar_Display, QStringLiteral("Labelvar%1").arg(k)));
        m_numbers[k]->setAlignment(Qt::AlignCenter);
        m_hexes[k] = label(PanelVar_Display, QStringLiteral("StaticTextVar%1_16").arg(k));
        grid->addWidget(m_values[k], r, col);
        grid->addWidget(m_numbers[k], r, col + 1);
        grid->addWidget(m_hexes[k], r, col + 2);
        connect(m_values[k], &ClickLabel::pressed, this, [this, k] { m_console.StaticTextVar0_10Click(k); });
    }
    grid->setColumnMinimumWidth(3, 12);
    grid->setColumnStretch(7, 1);
    return PanelVar_Display;
}

QWidget* VarWidget::buildNamedRows(QWidget* page) {
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
    return PanelCncInfo_Display;
}

QLayout* VarWidget::buildSelectors(QWidget* page) {
    auto* column = new QVBoxLayout;
    auto combo = [page, column](const char* box, const char* title, const char* name) {
        auto* group = new QGroupBox(QString::fromLatin1(title), page);
        group->setObjectName(QString::fromLatin1(box));
        auto* c = new QComboBox(group);
        c->setObjectName(QString::fromLatin1(name));
        c->setFont(fixedFont());
        (new QVBoxLayout(group))->addWidget(c);
        column->addWidget(group);
        return c;
    };
    ComboBox1000 = combo("GroupBox1000", ":1000#", "ComboBox1000");
    ComboBox100 = combo("GroupBox100", ":100#", "ComboBox100");
    for (int h = 0; h < 10; ++h)
        ComboBox100->addItem(QStringLiteral("%1").arg(h * 100, 3, 10, QLatin1Char('0')));
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
    column->addWidget(tens);
    auto* up = button(page, QStringLiteral("ButtonPageUp"), QStringLiteral("PageUp"));
    auto* down = button(page, QStringLiteral("ButtonPageDown"), QStringLiteral("PageDn"));
    column->addWidget(up);
    column->addWidget(down);
    column->addStretch(1);

    connect(ComboBox1000, &QComboBox::activated, this, [this] { selectorChanged(); });
    connect(ComboBox100, &QComboBox::activated, this, [this] { selectorChanged(); });
    connect(m_tens, &QButtonGroup::idClicked, this, [this] { selectorChanged(); });
    connect(up, &QPushButton::clicked, this, [this] { m_console.ButtonPageUpClick(); });
    connect(down, &QPushButton::clicked, this, [this] { m_console.ButtonPageDownClick(); });
    return column;
}

QWidget* VarWidget::build() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelVar"));
    auto* row = new QHBoxLayout(page);
    auto* displays = new QVBoxLayout;
    displays->addWidget(buildVariableRows(page));
    displays->addWidget(buildNamedRows(page));
    displays->addStretch(1);
    row->addLayout(displays, 1);
    row->addLayout(buildSelectors(page));
    return page;
}

void VarWidget::selectorChanged() {
    m_console.ComboBox1000Change(ComboBox1000->currentIndex(), ComboBox100->currentIndex(),
                                 m_tens->checkedId());
}

int VarWidget::nameLabelChars() const {
    const int paren = QFontMetrics(m_namedNumbers[0]->font()).horizontalAdvance(QLatin1Char('('));
    return paren > 0 ? m_names[0]->width() / paren : 0;
}

void VarWidget::renderSelectors() {
    const VarView& v = m_console.pages().var();
    if (m_thousandsShown != v.thousands) {
        m_thousandsShown = v.thousands;
        const QSignalBlocker block(ComboBox1000);
        ComboBox1000->clear();
        ComboBox1000->addItems(v.thousands);
    }
    enable(ComboBox1000, v.thousands.size() != 1);
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
}

void VarWidget::render() {
    const VarView& v = m_console.pages().var();
    if (PanelVar_Display->isHidden() != v.CncInfoLayout) {
        PanelVar_Display->setVisible(!v.CncInfoLayout);
        PanelCncInfo_Display->setVisible(v.CncInfoLayout);
    }
    renderSelectors();
    for (int k = 0; k < 20; ++k) {
        setText(m_values[k], v.values[k]);
        setText(m_numbers[k], v.numbers[k]);
        setText(m_hexes[k], v.hexes[k]);
    }
    for (int k = 0; k < 10; ++k) {
        setText(m_namedValues[k], v.namedValues[k]);
        setText(m_namedNumbers[k], v.namedNumbers[k]);
        setText(m_names[k], QString(v.names[k]).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
}

} // namespace velmorix
