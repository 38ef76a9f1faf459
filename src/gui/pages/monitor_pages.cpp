#include "gui/pages/monitor_pages.h"

#include "core/app/console.h"
#include "gui/files/file_service_page.h"
#include "gui/pages/plc_bit_widget.h"
#include "gui/pages/rct_widget.h"
#include "gui/pages/var_widget.h"

#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace velmorix {

MonitorPages::MonitorPages(Console& console, QStackedWidget* notebook)
    : QObject(notebook), m_console(console), m_plc(new PlcBitWidget(console, this)),
      m_var(new VarWidget(console, this)), m_rct(new RctWidget(console, this)) {
    // Pages 1 to 5 after the Comm page, in the order of NotebookPage.
    notebook->addWidget(m_plc->build());
    notebook->addWidget(m_var->build());
    notebook->addWidget(m_rct->build());
    notebook->addWidget(buildFileSvcPage());
    auto* empty = new QWidget;
    empty->setObjectName(QStringLiteral("PanelEmpty"));
    notebook->addWidget(empty);
}

QWidget* MonitorPages::buildFileSvcPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PanelFileSvc"));
    auto* v = new QVBoxLayout(page);
    m_fileService = new QWidget(page);
    m_fileService->setObjectName(QStringLiteral("FileServiceArea"));
    m_files = new FileServicePage(m_console, m_fileService);
    MemoHelp = new QPlainTextEdit(page);
    MemoHelp->setObjectName(QStringLiteral("MemoHelp"));
    MemoHelp->setReadOnly(true);
    MemoHelp->hide();
    v->addWidget(m_fileService, 1);
    v->addWidget(MemoHelp, 1);
    return page;
}

int MonitorPages::nameLabelChars() const {
    return m_var->nameLabelChars();
}

void MonitorPages::renderHelp() {
    const bool help = m_console.state().view.MemoHelpShown;
    if (MemoHelp->isHidden() == help) {
        MemoHelp->setVisible(help);
        m_fileService->setVisible(!help);
    }
    if (m_console.tables().HelpLines != m_helpShown) {
        m_helpShown = m_console.tables().HelpLines;
        MemoHelp->setPlainText(m_console.tables().helpText());
    }
}

void MonitorPages::render() {
    m_plc->render();
    m_rct->render();
    m_var->render();
    m_files->render();
    renderHelp();
}

} // namespace velmorix
