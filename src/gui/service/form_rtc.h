#pragma once

#include "core/base/prompts.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace velmorix {

class ClickLabel;

// "RTC Setting": the controller's clock, YEAR to AM/PM, refreshed every 100 ms while the window is
// open. "Set RTC" sets the clock from the local time; the window stays until it is closed.
class TFormRTC : public QDialog {
    Q_OBJECT
public:
    explicit TFormRTC(ClockDialog dialog, QWidget* parent = nullptr);

    // StaticTextPlcRct0_10 … StaticTextPlcRct7_10.
    std::array<ClickLabel*, 8> values{};
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();

    ClockDialog m_dialog;
};

} // namespace velmorix
