#include "gui/files/form_warning.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace velmorix {

TFormWarning::TFormWarning(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormWarning"));
    setWindowTitle(QStringLiteral("Warning"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    Label1 = new QLabel(
        QStringLiteral("Warning:\n\n  To upload an incorrect file\n\n  maybe result the CNC unwork\n\n"
                       "  and/or wrong responding."),
        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    CheckBox1 = new QCheckBox(QStringLiteral("Warning Dialog  Off"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    BitBtnOK = new QPushButton(QStringLiteral("UpLoad"), this);
    BitBtnOK->setObjectName(QStringLiteral("BitBtnOK"));
    BitBtnOK->setDefault(true);
    BitBtnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtnCancel->setObjectName(QStringLiteral("BitBtnCancel"));
    connect(BitBtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
    arrange();
}

bool TFormWarning::warningOff() const {
    return CheckBox1->isChecked();
}

// As wide as the label's right edge plus 20; the check box 10 right of the label and 20 below it;
// "UpLoad" under the check box, 20 below; the cancel button level with it, its right edge 10 left of
// the label's.
void TFormWarning::arrange() {
    Label1->adjustSize();
    Label1->move(20, 16);
    CheckBox1->adjustSize();
    BitBtnOK->adjustSize();
    BitBtnCancel->adjustSize();
    const QRect label = Label1->geometry();
    CheckBox1->move(label.left() + 10, label.bottom() + 1 + 20);
    BitBtnOK->move(CheckBox1->x(), CheckBox1->geometry().bottom() + 1 + 20);
    BitBtnCancel->move(label.right() + 1 - 10 - BitBtnCancel->width(), BitBtnOK->y());
    setFixedSize(label.right() + 1 + 20, BitBtnOK->geometry().bottom() + 1 + 16);
}

void TFormWarning::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QScreen* s = screen())
        move(s->availableGeometry().center() - rect().center());
}

} // namespace velmorix
