#include "gui/service/form_login.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace velmorix {

TFormLogin::TFormLogin(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormLogin"));
    setWindowTitle(QStringLiteral("Service Login"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    LabelUser = new QLabel(QStringLiteral("User："), this);
    LabelUser->setObjectName(QStringLiteral("LabelUser"));
    EditUser = new QLineEdit(this);
    EditUser->setObjectName(QStringLiteral("EditUser"));
    LabelPassword = new QLabel(QStringLiteral("Password："), this);
    LabelPassword->setObjectName(QStringLiteral("LabelPassword"));
    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setEchoMode(QLineEdit::Password);
    const int editWidth = QFontMetrics(EditUser->font()).horizontalAdvance(QStringLiteral("MMMMMMMMMMMM"));
    EditUser->setMinimumWidth(editWidth);
    EditPassword->setMinimumWidth(editWidth);
    ButtonOk = new QPushButton(QStringLiteral("OK"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(LabelUser, 0, 0);
    grid->addWidget(EditUser, 0, 1);
    grid->addWidget(LabelPassword, 1, 0);
    grid->addWidget(EditPassword, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    EditUser->setFocus();

    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<LoginAnswer> TFormLogin::answer() const {
    if (result() != QDialog::Accepted)
        return std::nullopt;
    return LoginAnswer{EditUser->text(), EditPassword->text()};
}

} // namespace velmorix
