#pragma once

#include "core/base/state.h"
#include "core/pages/plc_bit_page.h"
#include "core/pages/rct_page.h"
#include "core/pages/var_page.h"

#include <functional>

namespace velmorix {

class Link;
class MessageLine;
class Prompts;
class TextTables;
class Transfer;

// The notebook's page buttons: which page each shows, how it marks itself, the window caption and
// the report block it subscribes to; and the refresh and blanking of the page shown.
class Pages {
public:
    struct Hooks {
        std::function<void(std::function<void()>)> resetSignalThen; // reset signal, pause, then
        std::function<void(bool)> enableMdiTimer;
    };

    Pages(ConsoleState& state, Link& link, const Transfer& transfer, MessageLine& message, Prompts& prompts,
          const TextTables& tables, Hooks hooks);

    void ButtonPlcBitClick();
    void ButtonPlcRCTClick();
    void ButtonVarUserClick();
    void ButtonVarSysClick();
    void ButtonCNCInfoClick();
    void ButtonMCMDataClick();
    // Runs `done` once the page is shown (after the reset signal's pause when one is sent).
    void ButtonFileSvcClick(std::function<void()> done);
    void ButtonHelpClick();

    // From the poll tick: the values of the page that PageMode names.
    void refresh();
    void blank();

    PlcBitPage& plcBits() { return m_plc; }
    RctPage& registers() { return m_rct; }
    VarPage& variables() { return m_var; }
    const PlcBitView& plc() const { return m_plc.view(); }
    const RctView& rct() const { return m_rct.view(); }
    const VarView& var() const { return m_var.view(); }

private:
    void showPage(NotebookPage page, PageMode mode, const QString& caption, PageButton bold);

    ConsoleState& m_state;
    const Transfer& m_transfer;
    MessageLine& m_message;
    Hooks m_hooks;
    PlcBitPage m_plc;
    RctPage m_rct;
    VarPage m_var;
};

} // namespace velmorix
