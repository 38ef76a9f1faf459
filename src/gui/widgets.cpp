#include "gui/widgets.h"

#include "gui/main/click_label.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>

namespace velmorix::widgets {

namespace {
// The family itself first, then the CJK font for the characters it lacks.
QStringList withCjk(const QFont& font) {
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    if (!families.contains(QLatin1String(kCjkFamily)))
        families << QString::fromLatin1(kCjkFamily);
    return families;
}
} // namespace

QFont fixedFont(int pointSize) {
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    f.setFamilies(withCjk(f));
    if (pointSize > 0)
        f.setPointSize(pointSize);
    return f;
}

void preferCjkFont() {
    QFont f = QApplication::font();
    f.setFamilies(withCjk(f));
    QApplication::setFont(f);
    // Fonts made from a family name alone (the system's general and fixed fonts) fall back to it too.
    for (const auto which : {QFontDatabase::GeneralFont, QFontDatabase::FixedFont})
        QFont::insertSubstitution(QFontDatabase::systemFont(which).family(), QString::fromLatin1(kCjkFamily));
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
