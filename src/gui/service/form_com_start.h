#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmorix {

// "Com No. Setting": the number the Com radio buttons start from. Only digits (nine at most),
// Backspace and Enter reach the edit; OK or Enter takes the number, Cancel or closing the window
// takes nothing.
class TFormComStart : public QDialog {
    Q_OBJECT
public:
    explicit TFormComStart(qint32 current, QWidget* parent = nullptr);

    // The accepted number, once OK or Enter has taken it.
    std::optional<qint32> number() const { return m_number; }

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ok();

    std::optional<qint32> m_number;
};

} // namespace velmorix
