#pragma once

#include "core/base/settings.h"

#include <QDialog>
#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace velmorix {

// "Modify Var": the page ranges of the variable pages, a start and a size for each of the four.
// Only digits, Backspace and Enter reach a field; OK takes the ranges only when all eight pass the
// checks, and Cancel or closing the window takes nothing.
class TFormModifyVar : public QDialog {
    Q_OBJECT
public:
    explicit TFormModifyVar(const Settings& current, QWidget* parent = nullptr);

    // The accepted ranges, once OK has taken them.
    std::optional<Settings> ranges() const { return m_ranges; }

    QLineEdit* EditVarUser_start = nullptr;
    QLineEdit* EditVarUser_size = nullptr;
    QLineEdit* EditVarSys_start = nullptr;
    QLineEdit* EditVarSys_size = nullptr;
    QLineEdit* EditCncInfo_start = nullptr;
    QLineEdit* EditCncInfo_size = nullptr;
    QLineEdit* EditMcmData_start = nullptr;
    QLineEdit* EditMcmData_size = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

signals:
    // A text for the message box: a refused key, or ranges OK cannot take.
    void message(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ok();

    // The eight fields in the order of rangeFields().
    std::array<QLineEdit*, 8> m_fields{};
    std::optional<Settings> m_ranges;
};

} // namespace velmorix
