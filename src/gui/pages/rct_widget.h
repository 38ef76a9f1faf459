#pragma once

#include <QObject>
#include <array>

class QLabel;
class QPushButton;
class QWidget;

namespace velmorix {

class ClickLabel;
class Console;

// Page 3: 32 rows of registers, counters or timers, the kind buttons and the offset buttons.
class RctWidget : public QObject {
    Q_OBJECT
public:
    RctWidget(Console& console, QObject* parent);
    QWidget* build();
    void render();

private:
    QWidget* buildRows(QWidget* page);
    Console& m_console;
    std::array<ClickLabel*, 32> m_values{};
    std::array<QLabel*, 32> m_names{};
    std::array<QLabel*, 32> m_hexes{};
    std::array<QPushButton*, 3> m_kindButtons{};
    std::array<QPushButton*, 8> m_offsetButtons{};
};

} // namespace velmorix
