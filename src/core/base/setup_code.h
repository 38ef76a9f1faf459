#pragma once

#include "platform/serial_port.h"

#include <QString>
#include <QStringList>

namespace velmorix {

// The selection of the six radio groups on the Comm page, as item indexes.
struct CommSelection {
    int port = 0;     // RadioGroupCom: "Com" + (ComStartNum + port)
    int baud = 3;     // RadioGroupBaudRate: 9600 19200 28800 38400 57600 115200
    int parity = 2;   // RadioGroupParityCheck: None Odd Even Mark Space
    int dataBits = 0; // RadioGroupDataBits: 7 Bits, 8 Bits
    int stopBits = 1; // RadioGroupStopBits: 1 Bit, 2 Bits
    int manual = 0;   // RadioGroupManual: Default, Modify

    bool operator==(const CommSelection&) const = default;
};

enum class CommGroup { Com, BaudRate, ParityCheck, DataBits, StopBits, Manual };

inline constexpr qint32 kBaudRates[] = {9600, 19200, 28800, 38400, 57600, 115200};

// Six digits: port item + 1, baud item + 1, parity item, data-bits item + 7, stop-bits item + 1,
// manual item. The design-time selection is 142720.
QString SetupCodeText(const CommSelection& s);

// Applies each valid position of a setup code (padded with blanks to six characters, anything after
// the sixth ignored); returns whether all six were valid.
bool applySetupCode(const QString& code, CommSelection& s);

// Item texts of the six groups.
QStringList commItems(CommGroup group, qint32 comStartNum);
void setCommItem(CommSelection& s, CommGroup group, int index);
int commItem(const CommSelection& s, CommGroup group);

// Port name of the selection: "COM" + (ComStartNum + port item).
QString portName(const CommSelection& s, qint32 comStartNum);
// Line settings of the selection (name left empty for the caller to resolve).
PortSettings lineSettings(const CommSelection& s);
// "COM1,38400,E,7,2".
QString portDescription(const CommSelection& s, qint32 comStartNum);

// Command line: parameter 1 a setup code, parameter 2 a start word; options beginning with "--"
// are the program's own and are taken out before the two parameters are counted.
struct CommandLine {
    QString setupCode;
    QString startWord = QStringLiteral("Init");
    bool simulator = false;
    bool desktop = false; // started from the desktop entry: the settings live in the user's data folder
    QString wireLog;      // --wire-log FILE: where the wire log goes; empty: nowhere
    bool wireLogMissing = false; // --wire-log without a file

    bool startWordIsGo() const { return startWord.toUpper() == QStringLiteral("GO"); }
};
CommandLine parseCommandLine(const QStringList& arguments); // without the program name

} // namespace velmorix
