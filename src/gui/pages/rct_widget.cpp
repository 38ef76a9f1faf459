#include "gui/pages/rct_widget.h"

#include "core/app/console.h"
#include "gui/main/click_label.h"
#include "gui/widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmorix {

using namespace widgets;

RctWidget::RctWidget(Console& console, QObject* parent) : QObject(parent), m_console(console) {}

QWidget* RctWidget::buildRows(QWidget* page) {
    auto* rows = new QWidget(page);
    rows->setObjectName(QStringLiteral("PanelPlcRct_UP"));
    auto* grid = new QGridLayout(rows);
    grid->setVerticalSpacing(2);
    for (int n = 0; n < 32; ++n) {
        const int r = n % 16;
        const int col = (n / 16) * 4;
        m_values[n] = valueField(rows, QStringLiteral("StaticTextPlcRct%1_10").arg(n), 11);
        m_names[n] = purple(label(rows, QStringLiteral("StaticTextPlcRct%1").arg(n)));
        m_names[n]->setAlignment(Qt::AlignCenter);
        m_hexes[n] = label(rows, QStringLiteral("StaticTextPlcRct%1_16").arg(n));
        grid->addWidget(m_values[n], r, col);
        grid->addWidget(m_names[n], r, col + 1);
        grid->addWidget(m_hexes[n], r, col + 2);
        connect(m_values[n], &ClickLabel::pressed, this,
                [this, n] { m_console.StaticTextPlcRct0_10Click(n); });
    }
    grid->setColumnMinimumWidth(3, 12);
    return rows;
}

QWidget* RctWidget::build() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelPlcRct"));
    auto* row = new QHBoxLayout(page);
    row->addWidget(buildRows(page), 1);
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

void RctWidget::render() {
    const RctView& r = m_console.pages().rct();
    for (int n = 0; n < 32; ++n) {
        setText(m_values[n], r.values[n]);
        setText(m_names[n], r.names[n]);
        setText(m_hexes[n], r.hexes[n]);
    }
    for (int k = 0; k < 3; ++k)
        setBold(m_kindButtons[k], r.RctKind == k + 1);
    for (int i = 0; i < 8; ++i)
        setBold(m_offsetButtons[i], r.boldOffset == 32 * i);
}

} // namespace velmorix
