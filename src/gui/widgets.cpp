#include "gui/widgets.h"

#include "gui/main/click_label.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>

namespace velmorix::widgets {

QFont fixedFont(int pointSize) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (pointSize > 0)
        f.setPointSize(pointSize);
    return f;
}

void setText(QLabel* label, const QString& text) {
    if (label->text() != text)
        label->setText(text);
}

void setBold(QWidget* widget, bool bold) {
    QFont f = widget->font();
    if (f.bold() != bold) {
        f.setBold(bold);
        widget->setFont(f);
    }
}

void enable(QWidget* widget, bool enabled) {
    if (widget->isEnabledTo(widget->parentWidget()) != enabled)
        widget->setEnabled(enabled);
}

QLabel* label(QWidget* parent, const QString& name, bool fixed) {
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

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

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

} // namespace velmorix::widgets
