#include "gui/service/form_rtc.h"

#include "core/service/service_functions.h"
#include "gui/main/click_label.h"
#include "gui/widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace velmorix {

using namespace widgets;

TFormRTC::TFormRTC(ClockDialog dialog, QWidget* parent) : QDialog(parent), m_dialog(std::move(dialog)) {
    static_assert(kClockFields == 8);
    setObjectName(QStringLiteral("FormRTC"));
    setWindowTitle(QStringLiteral("RTC Setting"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);

    auto* grid = new QGridLayout(this);
    const char* const captions[] = {"YEAR", "MONTH", "DAY", "WEEK", "HOUR", "MINUTE", "SECOND", "AM/PM"};
    for (int i = 0; i < kClockFields; ++i) {
        values[i] = valueField(this, QStringLiteral("StaticTextPlcRct%1_10").arg(i), 6);
        values[i]->unsetCursor(); // shows the clock, takes no clicks
        QLabel* caption = purple(label(this, QStringLiteral("LabelRtc%1").arg(i)));
        caption->setText(QString::fromLatin1(captions[i]));
        grid->addWidget(values[i], i, 0);
        grid->addWidget(caption, i, 1);
    }
    Button1 = button(this, QStringLiteral("Button1"), QStringLiteral("Set RTC"));
    Button2 = button(this, QStringLiteral("Button2"), QStringLiteral("GetRTC"));
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    grid->addLayout(buttons, kClockFields, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, [this] { refresh(); });
    connect(Button1, &QPushButton::clicked, this, [this] {
        if (m_dialog.setRtc)
            m_dialog.setRtc();
    });
}

void TFormRTC::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refresh();
    Timer1->start();
}

void TFormRTC::hideEvent(QHideEvent* event) {
    Timer1->stop();
    QDialog::hideEvent(event);
}

void TFormRTC::refresh() {
    if (!m_dialog.fields)
        return;
    const QStringList texts = m_dialog.fields();
    for (int i = 0; i < std::min<int>(kClockFields, texts.size()); ++i)
        setText(values[i], texts[i]);
}

} // namespace velmorix
