#pragma once

#include "core/app/console.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace velmorix {

class ClickLabel;
class MonitorPages;
class WireLogWindow;

// The main window: builds and lays out the fixed-size window, forwards every event to the console
// and shows the console's state.
class TFormMain : public QWidget {
    Q_OBJECT
public:
    TFormMain(Console& console, QWidget* parent = nullptr);
    ~TFormMain() override;

    // Runs the console's start-up (reads settings, applies the command line, links on GO).
    void start(const QStringList& arguments);

    // Controls by their published names, for tests and screenshots.
    QWidget* control(const QString& name) const;

    // The "Wire log" window (F12), made the first time it is asked for.
    WireLogWindow* wireLogWindow();
    void showWireLog();
    void toggleWireLog();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildCoordinatePanel();
    void buildCommPage();
    void buildPageButtons();
    void buildBottomRow();
    void buildStatusBar();
    void layoutWindow();
    void layoutBottomRow();
    void render();
    void renderComm();
    void renderControls();
    void renderStatus();
    QGroupBox* radioGroup(const QString& name, const QString& title, const QStringList& items, int columns,
                          QButtonGroup** group);
    QLabel* fixedLabel(const QString& name, const QString& text, QWidget* parent);
    void setLit(QLabel* label, bool lit);

    Console& m_console;
    bool m_destroyed = false;
    WireLogWindow* m_wireLog = nullptr;

    QWidget* PanelCoordinate = nullptr;
    std::array<QLabel*, 9> m_axisLabels{};
    QLabel* LabelType = nullptr;
    QLabel* LabelTime = nullptr;
    QLabel* LabelCommandState = nullptr;
    QLabel* LabelRxD = nullptr;
    QLabel* LabelCps = nullptr;
    QGroupBox* RadioGroupMonitor = nullptr;
    QButtonGroup* m_monitorGroup = nullptr;
    QStackedWidget* Notebook = nullptr;
    MonitorPages* m_pages = nullptr;

    // Comm page.
    std::array<QButtonGroup*, 6> m_commGroups{};
    std::array<QGroupBox*, 6> m_commBoxes{};
    QLineEdit* EditSelectPath = nullptr;
    QPushButton* ButtonFileSelectParth = nullptr;
    QPushButton* LinktoCNCButton = nullptr;

    // Page buttons, in column order.
    std::array<QPushButton*, 10> m_pageButtons{};

    // Bottom row.
    QLabel* LabelKeyIn = nullptr;
    QLineEdit* EditKeyIn = nullptr;
    QPushButton* ButtonMemText = nullptr;
    QPushButton* ButtonMDIgo = nullptr;
    QPushButton* ButtonReset = nullptr;
    QPushButton* ButtonClear = nullptr;
    QLabel* LabelDSR = nullptr;
    ClickLabel* LabelBack = nullptr;
    QLabel* LabelCTS = nullptr;

    QWidget* StatusBar1 = nullptr;
    std::array<ClickLabel*, 5> m_panels{};

    int m_comStartShown = -1;
    bool m_busyShown = false;
    bool m_typedWhileBusy = false; // the key-in line holds what the operator typed during the pause
};

} // namespace velmorix
