#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace velmorix {

// "Warning": asked before most files are sent. Only "UpLoad" sends; the cancel button and closing
// the window do not. "Warning Dialog  Off" keeps it away until the program ends.
class TFormWarning : public QDialog {
    Q_OBJECT
public:
    explicit TFormWarning(QWidget* parent = nullptr);

    bool uploadChosen() const { return result() == QDialog::Accepted; }
    bool warningOff() const;

    QLabel* Label1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BitBtnOK = nullptr;
    QPushButton* BitBtnCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void arrange();
};

} // namespace velmorix
