#pragma once

#include <QObject>
#include <QStringList>

class QPlainTextEdit;
class QStackedWidget;
class QWidget;

namespace velmorix {

class Console;
class FileServicePage;
class PlcBitWidget;
class RctWidget;
class VarWidget;

// Pages 1 to 5 of the notebook: the PLC bit grid, the variable pages, the register page, the page
// that holds the file service and the help text, and the empty page.
class MonitorPages : public QObject {
    Q_OBJECT
public:
    MonitorPages(Console& console, QStackedWidget* notebook);

    void render();
    // Width of a CNC-information name field in characters of its number label's font.
    int nameLabelChars() const;

private:
    QWidget* buildFileSvcPage();
    void renderHelp();

    Console& m_console;
    PlcBitWidget* m_plc = nullptr;
    VarWidget* m_var = nullptr;
    RctWidget* m_rct = nullptr;
    QPlainTextEdit* MemoHelp = nullptr;
    QWidget* m_fileService = nullptr;
    FileServicePage* m_files = nullptr;
    QStringList m_helpShown;
};

} // namespace velmorix
