#pragma once

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;

namespace velmorix {

// "Key In New Value": one modal dialog per edit. Enter takes the value; the close box and the
// system menu close it without a value.
class TFormNewValue : public QDialog {
    Q_OBJECT
public:
    TFormNewValue(const QString& text, const QString& label, QWidget* parent = nullptr);

    // The entered value, once Enter has accepted it.
    std::optional<qint32> NewValue() const {
        return m_entered ? std::optional<qint32>(m_value) : std::nullopt;
    }
    QLineEdit* EditNewValue = nullptr;
    QLabel* LabelNewValue = nullptr;

signals:
    void invalidValue(const QString& message);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void enter();

    qint32 m_value = 0;
    bool m_entered = false;
};

} // namespace velmorix
