#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmorix {

// The one-line ID dialog: letters and digits only, six at most, shown as "*". OK or Enter confirms;
// it has neither a cancel button nor a close box.
class TFormKLD : public QDialog {
    Q_OBJECT
public:
    TFormKLD(const QString& caption, const QString& label, QWidget* parent = nullptr);

    bool confirmed() const { return m_confirmed; }
    QString text() const;

    QLabel* LabelPass = nullptr;
    QLineEdit* EditPass = nullptr;
    QPushButton* BitBtnOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override {} // Esc and the window system's close do not end it

private:
    void confirm();
    bool m_confirmed = false;
};

} // namespace velmorix
