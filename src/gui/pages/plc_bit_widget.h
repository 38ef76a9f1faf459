#pragma once

#include <QObject>
#include <array>

class QLabel;
class QPushButton;
class QWidget;

namespace velmorix {

class Console;

// Page 1: the 16 × 16 PLC bit grid with its row headings and the ten group buttons.
class PlcBitWidget : public QObject {
    Q_OBJECT
public:
    PlcBitWidget(Console& console, QObject* parent);
    QWidget* build();
    void render();

private:
    Console& m_console;
    std::array<QLabel*, 16> m_headings{};
    std::array<QLabel*, 256> m_cells{};
    std::array<bool, 256> m_cellLit{};
    std::array<bool, 256> m_cellPainted{};
    std::array<QPushButton*, 10> m_groupButtons{}; // by tag
};

} // namespace velmorix
