#include "gui/service/form_com_start.h"

#include "core/service/service_functions.h"
#include "gui/service/typed_key.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmorix {

TFormComStart::TFormComStart(qint32 current, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormComStart"));
    setWindowTitle(QStringLiteral("Com No. Setting"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    Label1 = new QLabel(QStringLiteral("CommPort  Start No.："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(QString::number(current), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(QFontMetrics(Edit1->font()).horizontalAdvance(QStringLiteral("0000000000")));
    Edit1->installEventFilter(this);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { ok(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TFormComStart::eventFilter(QObject* watched, QEvent* event) {
    if (watched != Edit1 || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const QString typed = typedKeys(*static_cast<QKeyEvent*>(event));
    for (const QChar c : typed) {
        if (!comStartKeyAccepted(c, Edit1->text()))
            return true;
    }
    if (typed == QLatin1String("\r")) {
        ok();
        return true;
    }
    return false;
}

void TFormComStart::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Edit1->setFocus();
    Edit1->selectAll();
}

void TFormComStart::ok() {
    m_number = comStartValue(Edit1->text());
    accept();
}

} // namespace velmorix
