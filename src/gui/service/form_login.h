#pragma once

#include "core/base/prompts.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmorix {

// The service login: a user name and a password, both empty at each opening. OK (or Enter) hands
// them to the console, which does the comparison; Cancel and closing the window give nothing.
class TFormLogin : public QDialog {
    Q_OBJECT
public:
    explicit TFormLogin(QWidget* parent = nullptr);

    // What was entered, once OK has accepted it.
    std::optional<LoginAnswer> answer() const;

    QLabel* LabelUser = nullptr;
    QLineEdit* EditUser = nullptr;
    QLabel* LabelPassword = nullptr;
    QLineEdit* EditPassword = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;
};

} // namespace velmorix
