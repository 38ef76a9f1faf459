#pragma once

#include "core/journal/journal_location.h"

#include <QObject>
#include <QPointer>

class QAction;

namespace velmorix {

class Console;
class HistoryWindow;
class TFormMain;

// The journal in the window: Ctrl+H and "Transfer history…" in the file list's context menu open the
// history window; "Compare with file…" there sets the received file beside a file on disk.
class JournalUi : public QObject {
    Q_OBJECT
public:
    JournalUi(Console& console, TFormMain& form, JournalLocation location);

    HistoryWindow* showHistory();
    // Compares the received file with the file at `path` and shows the result; the dialog, or nullptr
    // when nothing received can be compared.
    class CompareDialog* compareWith(const QString& path);

private:
    void chooseAndCompare();
    void updateActions();

    Console& m_console;
    TFormMain& m_form;
    JournalLocation m_location;
    QPointer<HistoryWindow> m_history;
    QAction* m_compare = nullptr;
    QString m_compareDir;
};

} // namespace velmorix
