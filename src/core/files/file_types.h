#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>
#include <span>

namespace velmorix {

// How a send type turns its file into what goes over the line.
enum class LoaderKind {
    Text, // stripped text: TABs and comments removed (types 0, 1, 2, 9); lines kept for "D:DNC"
    Hex,  // hexadecimal image with length and checksum records (types 3 to 8, 10, 11)
    Raw,  // the bytes as they are, for the 8-bit upload ("C:ARM")
};

// One item of the send-type list (ComboBoxSendFile). The item index is what everything switches on.
struct SendFileType {
    int index;
    const char* item; // list item text, e.g. "3:PLC"
    LoaderKind loader;
    std::optional<qint32> typeCode; // value written to variable 10768 to announce the file; none for "C:ARM"
    const char* programNumber;      // heads the send frame ("O9003"); nullptr: the frame is DC2, image, DC4
    const char* filter;             // open-dialog filter "description|mask;mask"
    const char* flashCommand;       // edit-line text set when a send ends; nullptr: the line keeps its text
    bool flashWrite;                // takes part in the flash write that may follow a send
    bool dnc;                       // sent line by line ("D:DNC")
};

// Save method of a receive type.
enum class SaveMethod {
    Text,       // every list line without its 11-character prefix, each ended by CR LF
    HexDecode,  // four bytes from the first eight digit characters of each line
    PlcProgram, // handed to the PLC program writer
};

// One item of the receive-type list (ComboBoxRecvFile).
struct RecvFileType {
    int index;
    const char* item;     // list item text, e.g. "9:Var-0099"
    const char* nameSent; // file name sent with the request
    qint32 typeCode;      // value written to variable 10768
    bool linkResetFirst;  // the link reset goes before the request
    SaveMethod save;
    const char* extension;  // default extension of the save dialog
    const char* saveFilter; // save-dialog filter "description|mask;mask"
    bool serviceOnly;       // in the list only once the service access check has passed ("U:PLC")
};

inline constexpr int kSendTypeCount = 14;
inline constexpr int kRecvTypeCount = 25;
inline constexpr int kArmTypeIndex = 12;
inline constexpr int kDncTypeIndex = 13; // "D:DNC": fed line by line while the status stream goes on

// The file list shows what lies within the first 64 KiB of a loaded file; "......" marks the cut.
inline constexpr qint64 kListedBytes = 65536;

std::span<const SendFileType> sendFileTypes();
std::span<const RecvFileType> recvFileTypes();

// nullptr for an index outside the table.
const SendFileType* sendFileType(int index);
const RecvFileType* recvFileType(int index);

// The index of the item whose text matches, case-insensitively; or of the decimal index itself ("3").
std::optional<int> findSendFileType(QStringView itemOrIndex);
std::optional<int> findRecvFileType(QStringView itemOrIndex);

// The receive type that gives back what a send type stores on the controller: the program a
// "0:CNC" or "1:CNC" send made current comes back as "0:CNC"; "3:PLC" as "U:PLC" (service access),
// "A:CYF" as "T:CYF", "B:999" as "S:999". Nothing for the others: "2:MCM" and "9:VAR" set variables
// that come back as blocks of variables, not as the file; "4:CRT" to "8:PTN" are not served back;
// "C:ARM" and "D:DNC" are not stored as files.
std::optional<int> receiveTypeGivingBack(int sendItem);

// What the sender writes for a text or hex type: DC2, image, DC4; or, with a program number,
// DC2 "%" CR number CR image "%" DC4 (a hex image already ends with CR).
QByteArray sendFrame(const SendFileType& type, const QByteArray& image);

} // namespace velmorix
