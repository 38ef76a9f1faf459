#pragma once

#include "core/base/state.h"

#include <QStringList>
#include <array>

namespace velmorix {

class Link;
class Prompts;
class TextTables;

// What page 2 shows: 20 variable rows, or 10 named rows of controller information or machine
// parameters, and the position selectors.
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

// The variable page: user and system variables by number, controller information and machine
// parameters with their names, and the thousand/hundred/ten selectors with PageUp and PageDn.
class VarPage {
public:
    VarPage(ConsoleState& state, Link& link, Prompts& prompts, const TextTables& tables);

    // The 20 variable rows of a range, from its start.
    void showVariables(qint32 start, qint32 size);
    // The 10 named rows of a range, from the given hundred.
    void showNamed(qint32 start, qint32 size, bool mcm, int hundreds);

    void ComboBox1000Change(int t, int h, int d);
    void ButtonPageUpClick();
    void ButtonPageDownClick();
    void StaticTextVar0_10Click(int row);
    void StaticTextCncInfo0_10Click(int row);
    void refreshVariables();
    void refreshNamed();
    void blankVariables();
    void blankNamed();

    const VarView& view() const { return m_view; }

    // Number-label form: 10900 reads (10,900); six or more digits show plainly.
    static QString numberLabel(qint64 n);
    // Items of the thousand list for a range.
    static QStringList thousandItems(qint32 start, qint32 size);

private:
    void fillVariableRows(qint64 first);
    void fillNamedRows(qint64 first);
    qint64 firstShown() const;

    ConsoleState& m_state;
    Link& m_link;
    Prompts& m_prompts;
    const TextTables& m_tables;
    VarView m_view;
};

} // namespace velmorix
