#include "gui/journal/journal_ui.h"

#include "core/app/console.h"
#include "core/files/file_types.h"
#include "core/files/read_file.h"
#include "gui/journal/compare_dialog.h"
#include "gui/journal/history_window.h"
#include "gui/main/form_main.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QShortcut>

namespace velmorix {

JournalUi::JournalUi(Console& console, TFormMain& form, JournalLocation location)
    : QObject(&form), m_console(console), m_form(form), m_location(std::move(location)) {
    auto* key = new QShortcut(QKeySequence(QStringLiteral("Ctrl+H")), &form);
    key->setContext(Qt::WindowShortcut);
    connect(key, &QShortcut::activated, this, [this] { showHistory(); });
    // The file list's context menu offers the actions its widget carries.
    if (QWidget* list = form.control(QStringLiteral("ListBoxFileSvc"))) {
        m_compare = new QAction(QStringLiteral("Compare with file..."), list);
        m_compare->setObjectName(QStringLiteral("ActionCompareWithFile"));
        connect(m_compare, &QAction::triggered, this, &JournalUi::chooseAndCompare);
        auto* history = new QAction(QStringLiteral("Transfer history..."), list);
        history->setObjectName(QStringLiteral("ActionTransferHistory"));
        connect(history, &QAction::triggered, this, [this] { showHistory(); });
        list->addAction(m_compare);
        list->addAction(history);
    }
    connect(&console, &Console::changed, this, &JournalUi::updateActions);
    updateActions();
}

HistoryWindow* JournalUi::showHistory() {
    if (!m_history)
        m_history = new HistoryWindow(m_location, &m_form);
    m_history->refresh();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
    return m_history;
}

void JournalUi::updateActions() {
    if (!m_compare)
        return;
    const FilePage& page = m_console.filePage();
    m_compare->setEnabled(!page.view().sendRow && page.fileListed() && !m_console.receiver().listing() &&
                          !page.transferRunning());
}

void JournalUi::chooseAndCompare() {
    const QString path =
        QFileDialog::getOpenFileName(&m_form, QStringLiteral("Compare with file"), m_compareDir);
    if (path.isEmpty())
        return;
    m_compareDir = QFileInfo(path).absolutePath();
    if (CompareDialog* dialog = compareWith(path))
        dialog->show();
}

CompareDialog* JournalUi::compareWith(const QString& path) {
    const QByteArray received = m_console.receiver().fileBytes();
    const RecvFileType* type = recvFileType(m_console.filePage().recvItem());
    if (!type || received.isEmpty())
        return nullptr;
    const FileContent file = readWholeFile(path);
    if (!file.ok) {
        QMessageBox::warning(&m_form, QStringLiteral("Compare with file"),
                             QStringLiteral("Cannot read %1: %2").arg(path, file.error));
        return nullptr;
    }
    auto* dialog = new CompareDialog(m_console.receiver().proposedFileName(), received, path, file.bytes,
                                     type->save == SaveMethod::Text, &m_form);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

} // namespace velmorix
