#pragma once

#include "core/app/console.h"

#include <QObject>
#include <array>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace velmorix {

class ClickLabel;
class FileServicePage;

// Pages 1 to 4 of the notebook: the PLC bit grid, the variable pages, the register page and the
// page that holds the file service and the help text. Builds their widgets, forwards their events
// and shows the console's page state.
class MonitorPages : public QObject {
    Q_OBJECT
public:
    MonitorPages(Console& console, QStackedWidget* notebook);

    void render();
    // Width of a CNC-information name field in characters of its number label's font.
    int nameLabelChars() const;
    // The page widget that page 4 shows for the file service.
    QWidget* fileServiceArea() const { return m_fileService; }

private:
    QWidget* buildPlcBitPage();
    QWidget* buildVarPage();
    QWidget* buildRctPage();
    QWidget* buildFileSvcPage();
    void selectorChanged();
    void renderPlc();
    void renderRct();
    void renderVar();

    Console& m_console;

    // Page 1.
    std::array<QLabel*, 16> m_headings{};
    std::array<QLabel*, 256> m_cells{};
    std::array<bool, 256> m_cellLit{};
    std::array<QPushButton*, 10> m_groupButtons{}; // by tag

    // Page 3.
    std::array<ClickLabel*, 32> m_rctValues{};
    std::array<QLabel*, 32> m_rctNames{};
    std::array<QLabel*, 32> m_rctHexes{};
    std::array<QPushButton*, 3> m_kindButtons{};
    std::array<QPushButton*, 8> m_offsetButtons{};

    // Page 2.
    QComboBox* ComboBox1000 = nullptr;
    QComboBox* ComboBox100 = nullptr;
    QButtonGroup* m_tens = nullptr;
    QWidget* PanelVar_Display = nullptr;
    QWidget* PanelCncInfo_Display = nullptr;
    std::array<ClickLabel*, 20> m_varValues{};
    std::array<QLabel*, 20> m_varNumbers{};
    std::array<QLabel*, 20> m_varHexes{};
    std::array<ClickLabel*, 10> m_namedValues{};
    std::array<QLabel*, 10> m_namedNumbers{};
    std::array<QLabel*, 10> m_names{};
    QStringList m_thousandsShown;

    // Page 4.
    QPlainTextEdit* MemoHelp = nullptr;
    QWidget* m_fileService = nullptr;
    FileServicePage* m_files = nullptr;
    QString m_helpShown;
};

} // namespace velmorix
