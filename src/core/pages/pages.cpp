#include "core/pages/pages.h"

#include "core/base/message_line.h"
#include "core/files/transfer.h"

namespace velmorix {

Pages::Pages(ConsoleState& state, Link& link, const Transfer& transfer, MessageLine& message,
             Prompts& prompts, const TextTables& tables, Hooks hooks)
    : m_state(state), m_transfer(transfer), m_message(message), m_hooks(std::move(hooks)), m_plc(state),
      m_rct(state, link, prompts), m_var(state, link, prompts, tables) {}

void Pages::showPage(NotebookPage page, PageMode mode, const QString& caption, PageButton bold) {
    m_state.view.page = page;
    m_state.pageMode = mode;
    m_state.view.caption = caption;
    m_state.view.boldPageButton = bold;
    if (bold != PageButton::FileSvc)
        m_message.clear();
}

void Pages::ButtonPlcBitClick() {
    showPage(NotebookPage::PlcBit, PageMode::PlcBits, QString(), PageButton::PlcBit);
    m_plc.selectBitGroup(0);
}

void Pages::ButtonPlcRCTClick() {
    showPage(NotebookPage::PlcRct, PageMode::Registers, QString(), PageButton::PlcRCT);
    m_rct.selectRctKind(1);
}

void Pages::ButtonVarUserClick() {
    const Settings& r = m_state.env.ranges;
    showPage(NotebookPage::Var, PageMode::UserVariables, QStringLiteral("Velmorix\\Var\\User"),
             PageButton::VarUser);
    m_var.showVariables(r.User_start, r.User_size);
}

void Pages::ButtonVarSysClick() {
    const Settings& r = m_state.env.ranges;
    showPage(NotebookPage::Var, PageMode::SystemVariables, QStringLiteral("Velmorix\\Var\\System"),
             PageButton::VarSys);
    m_var.showVariables(r.Sys_start, r.Sys_size);
}

void Pages::ButtonCNCInfoClick() {
    const Settings& r = m_state.env.ranges;
    showPage(NotebookPage::Var, PageMode::CncInformation, QStringLiteral("Velmorix\\Cnc\\Infomation"),
             PageButton::CNCInfo);
    m_var.showNamed(r.CncInfo_start, r.CncInfo_size, false, 9);
}

void Pages::ButtonMCMDataClick() {
    const Settings& r = m_state.env.ranges;
    showPage(NotebookPage::Var, PageMode::McmData, QStringLiteral("Velmorix\\Mcm\\Data"),
             PageButton::MCMData);
    m_var.showNamed(r.McmData_start, r.McmData_size, true, 0);
}

void Pages::ButtonFileSvcClick(std::function<void()> done) {
    auto show = [this, done = std::move(done)] {
        showPage(NotebookPage::FileSvc, PageMode::FileService, QStringLiteral("Velmorix\\File\\Service"),
                 PageButton::FileSvc);
        m_state.view.MemoHelpShown = false;
        if (m_state.block.PollBlockStart != -1)
            m_state.block.clear();
        m_message.note(QStringLiteral("; PC<=>CNC :: FileTrans Servicer ;"));
        if (m_hooks.enableMdiTimer)
            m_hooks.enableMdiTimer(false);
        if (done)
            done();
    };
    // The reset signal stops what the controller was doing, but never a DNC run it is being fed.
    if (m_state.pageMode != PageMode::FileService && !m_transfer.dncSending() && m_hooks.resetSignalThen)
        m_hooks.resetSignalThen(std::move(show));
    else
        show();
}

void Pages::ButtonHelpClick() {
    showPage(NotebookPage::FileSvc, PageMode::Help, QStringLiteral("Velmorix\\File\\Help"), PageButton::Help);
    m_state.view.MemoHelpShown = true;
}

void Pages::refresh() {
    switch (m_state.pageMode) {
    case PageMode::PlcBits:
        m_plc.refresh();
        break;
    case PageMode::Registers:
        m_rct.refresh();
        break;
    case PageMode::UserVariables:
    case PageMode::SystemVariables:
        m_var.refreshVariables();
        break;
    case PageMode::CncInformation:
    case PageMode::McmData:
        m_var.refreshNamed();
        break;
    default:
        break;
    }
}

void Pages::blank() {
    switch (m_state.pageMode) {
    case PageMode::PlcBits:
        m_plc.blank();
        break;
    case PageMode::Registers:
        m_rct.blank();
        break;
    case PageMode::UserVariables:
    case PageMode::SystemVariables:
        m_var.blankVariables();
        break;
    case PageMode::CncInformation:
    case PageMode::McmData:
        m_var.blankNamed();
        break;
    default:
        break;
    }
}

} // namespace velmorix
