#pragma once

#include <QObject>
#include <QStringList>
#include <array>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLayout;
class QWidget;

namespace velmorix {

class ClickLabel;
class Console;

// Page 2: the 20 variable rows or the 10 named rows, and the position selectors with PageUp and
// PageDn.
class VarWidget : public QObject {
    Q_OBJECT
public:
    VarWidget(Console& console, QObject* parent);
    QWidget* build();
    void render();
    // Width of a CNC-information name field in characters of its number label's font.
    int nameLabelChars() const;

private:
    QWidget* buildVariableRows(QWidget* page);
    QWidget* buildNamedRows(QWidget* page);
    QLayout* buildSelectors(QWidget* page);
    void selectorChanged();
    void renderSelectors();

    Console& m_console;
    QComboBox* ComboBox1000 = nullptr;
    QComboBox* ComboBox100 = nullptr;
    QButtonGroup* m_tens = nullptr;
    QWidget* PanelVar_Display = nullptr;
    QWidget* PanelCncInfo_Display = nullptr;
    std::array<ClickLabel*, 20> m_values{};
    std::array<QLabel*, 20> m_numbers{};
    std::array<QLabel*, 20> m_hexes{};
    std::array<ClickLabel*, 10> m_namedValues{};
    std::array<QLabel*, 10> m_namedNumbers{};
    std::array<QLabel*, 10> m_names{};
    QStringList m_thousandsShown;
};

} // namespace velmorix
