#pragma once

#include "core/app/state.h"

#include <QStringList>
#include <array>
#include <functional>

namespace velmorix {

class Link;
class Prompts;
class TextTables;

// Page 1: the PLC bit grid.
struct PlcBitView {
    std::array<QString, 256> cellCaptions;
    std::array<QString, 16> rowHeadings;
    std::array<bool, 256> lit{}; // light red while the bit is 1
    int boldGroup = -1;          // tag of the group button shown in bold
};

// Page 3: registers, counters and timers.
struct RctView {
    int RctKind = 0;   // 1 registers, 2 counters, 3 timers
    int RctOffset = 0; // first entry shown
    std::array<QString, 32> names;
    std::array<QString, 32> values;
    std::array<QString, 32> hexes;
    int boldOffset = -1; // offset of the offset button shown in bold
};

// Page 2: variables, controller information and machine parameters.
struct VarView {
    qint32 VarRangeStart = 0;
    bool CncInfoLayout = false;
    bool McmDataShown = false;
    QStringList thousands; // items of ComboBox1000
    int T = 0, H = 0, D = 0;
    std::array<QString, 20> numbers;
    std::array<QString, 20> values;
    std::array<QString, 20> hexes;
    std::array<QString, 10> namedNumbers;
    std::array<QString, 10> names;
    std::array<QString, 10> namedValues;
};

// The notebook's monitor pages, their buttons and the report block they subscribe to.
class Pages {
public:
    struct Hooks {
        std::function<void(std::function<void()>)> resetSignalThen; // reset signal, pause, then
        std::function<void(bool)> enableMdiTimer;
    };

    Pages(ConsoleState& state, Link& link, Prompts& prompts, const TextTables& tables, Hooks hooks);

    // Page buttons.
    void ButtonPlcBitClick();
    void ButtonPlcRCTClick();
    void ButtonVarUserClick();
    void ButtonVarSysClick();
    void ButtonCNCInfoClick();
    void ButtonMCMDataClick();
    // Runs `done` once the page is shown (after the reset signal's pause when one is sent).
    void ButtonFileSvcClick(std::function<void()> done);
    void ButtonHelpClick();

    // PLC bit groups by tag: 0 I, 1 O, 2 C, 3 S, 4 A, 5 A+256, 6 A+512, 7 A+768, 8 CN, 9 TM.
    void SelectBitGroup(int tag);
    void NumberGrid(int firstBit);

    // Registers, counters, timers.
    void SelectRctKind(int kind);
    void BtnPlcRct032Click(int offset);
    void StaticTextPlcRct0_10Click(int row);

    // Variable pages.
    void ComboBox1000Change(int t, int h, int d);
    void ButtonPageUpClick();
    void ButtonPageDownClick();
    void StaticTextVar0_10Click(int row);
    void StaticTextCncInfo0_10Click(int row);

    // From the poll tick.
    void Refresh();
    void Blank();

    const PlcBitView& plc() const { return m_plc; }
    const RctView& rct() const { return m_rct; }
    const VarView& var() const { return m_var; }

    // Number-label form: 10900 reads (10,900); six or more digits show plainly.
    static QString NumberLabel(qint64 n);
    // Items of the thousand list for a range.
    static QStringList ThousandItems(qint32 start, qint32 size);

private:
    void showPage(NotebookPage page, int mode, const QString& caption, const QString& bold);
    void showVarPage(qint32 start, qint32 size, int mode, const QString& caption, const QString& bold);
    void showNamedPage(qint32 start, qint32 size, bool mcm, int mode, const QString& caption,
                       const QString& bold, int hundreds);
    void nameRctRows();
    void fillVariableRows(qint32 first);
    void fillNamedRows(qint32 first);
    qint32 firstShown() const;
    void editValue(int entry, const QString& label, const QString& anchor, qint32 variable);

    ConsoleState& m_state;
    Link& m_link;
    Prompts& m_prompts;
    const TextTables& m_tables;
    Hooks m_hooks;
    PlcBitView m_plc;
    RctView m_rct;
    VarView m_var;
};

} // namespace velmorix
