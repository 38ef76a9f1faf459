#include "core/files/file_types.h"

#include <array>

namespace velmorix {

namespace {

constexpr const char* kFlashL01 = "G10 P600 L01;Write to Flash;";
constexpr const char* kFlashL02 = "G10 P600 L02;Write to Flash;";
constexpr const char* kFlashL03 = "G10 P600 L03;Write to Flash;";
constexpr const char* kFlashL06 = "G10 P600 L06;Write to Flash;";
constexpr const char* kFlashL08 = "G10 P600 L08;Write to Flash;";

using L = LoaderKind;

constexpr std::array<SendFileType, kSendTypeCount> kSendTypes{{
    {0, "0:CNC", L::Text, 1001, nullptr, "0:Cnc *.Cnc;*.Ncd|*.Cnc;*.Ncd", nullptr, false, false},
    {1, "1:CNC", L::Text, 1001, nullptr, "1:Cnc *.Cnc;*.Ncd|*.Cnc;*.Ncd", kFlashL01, true, false},
    {2, "2:MCM", L::Text, 1003, nullptr, "2:Mcm *.Mcm;*.Ncd|*.Mcm;*.Ncd", kFlashL02, true, false},
    {3, "3:PLC", L::Hex, 1005, "O9003", "3:Plc *.Plc;*.Tsk|*.Plc;*.Tsk", kFlashL03, true, false},
    {4, "4:CRT", L::Hex, 1011, "O9110", "4:Crt *.Crt;*.Tbl|*.Crt;*.Tbl", nullptr, true, false},
    {5, "5:SYS", L::Hex, 1010, "O9100", "5:Sys *.Sys;*.Tsk|*.Sys;*.Tsk", nullptr, true, false},
    {6, "6:KEY", L::Hex, 1013, "O9130", "6:Key *.Key;*.Fsk|*.Key;*.Fsk", nullptr, true, false},
    {7, "7:MOT", L::Hex, 1012, "O9120", "7:Mot *.Mot;*.Tsk|*.Mot;*.Tsk", kFlashL08, true, false},
    {8, "8:PTN", L::Hex, 1014, "O9140", "8:Ptn *.Ptn;*.Kfn|*.Ptn;*.Kfn", nullptr, true, false},
    {9, "9:VAR", L::Text, 1007, nullptr, "9:Var *.Var;*.Ncd|*.Var;*.Ncd", kFlashL06, true, false},
    {10, "A:CYF", L::Hex, 1018, "O9180", "A:Cyf *.Cyf|*.Cyf", nullptr, false, false},
    {11, "B:999", L::Hex, 1019, "O9190", "B:999 *.999|*.999", nullptr, false, false},
    {12, "C:ARM", L::Raw, std::nullopt, nullptr, "C:BIN *.Bin|*.Bin", nullptr, false, false},
    {13, "D:DNC", L::Text, 1006, nullptr, "D:DNC *.Cnc;*.Ncd|*.Cnc;*.Ncd", nullptr, false, true},
}};

using S = SaveMethod;

constexpr std::array<RecvFileType, kRecvTypeCount> kRecvTypes{{
    {0, "0:CNC", "Program.Cnc", 1002, true, S::Text, "Cnc", "0:Cnc *.Cnc;*.Ncd|*.Cnc;*.Ncd", false},
    {1, "1:CNC_All", "Prog_All.CNC", 1009, true, S::Text, "Cnc", "1:Cnc *.Cnc;*.Ncd|*.Cnc;*.Ncd", false},
    {2, "2:MCM", "Cnc_Name.Mcm", 1004, false, S::Text, "Mcm", "2:Mcm *.Mcm;*.Ncd|*.Mcm;*.Ncd", false},
    {3, "9:Var-0099", "VAR_0099.Var", 1800, false, S::Text, "Var", "9:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {4, "A:Var-0199", "VAR_0199.Var", 1801, false, S::Text, "Var", "A:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {5, "B:Var-0299", "VAR_0299.VAR", 1802, false, S::Text, "Var", "B:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {6, "C:Var-0399", "VAR_0399.Var", 1803, false, S::Text, "Var", "C:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {7, "D:Var-0499", "VAR_0499.Var", 1804, false, S::Text, "Var", "D:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {8, "E:Var-0599", "VAR_0599.Var", 1805, false, S::Text, "Var", "E:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {9, "F:Var-0699", "VAR_0699.Var", 1806, false, S::Text, "Var", "F:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {10, "G:Var-0799", "VAR_0799.Var", 1807, false, S::Text, "Var", "G:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {11, "H:Var-0899", "VAR_0899.Var", 1808, false, S::Text, "Var", "H:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {12, "I:Var-0999", "VAR_0999.Var", 1809, false, S::Text, "Var", "I:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {13, "J:Var-1999", "VAR_1999.Var", 1819, false, S::Text, "Var", "J:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {14, "K:Var-2999", "VAR_2999.Var", 1829, false, S::Text, "Var", "K:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {15, "L:Var-3999", "VAR_3999.Var", 1839, false, S::Text, "Var", "L:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {16, "M:Var-4999", "VAR_4999.Var", 1849, false, S::Text, "Var", "M:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {17, "N:Var-5999", "VAR_5999.Var", 1859, false, S::Text, "Var", "N:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {18, "O:Var-6999", "VAR_6999.Var", 1869, false, S::Text, "Var", "O:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {19, "P:Var-7999", "VAR_7999.Var", 1879, false, S::Text, "Var", "P:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {20, "Q:Var-8999", "VAR_8999.Var", 1889, false, S::Text, "Var", "Q:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {21, "R:Var-9999", "VAR_9999.Var", 1899, false, S::Text, "Var", "R:Var *.Var;*.Ncd|*.Var;*.Ncd", false},
    {22, "S:999", "KNT_PAR.999", 1020, false, S::HexDecode, "999", "S:999 *.999|*.999", false},
    {23, "T:CYF", "KNT_PTN.Cyf", 1021, false, S::HexDecode, "Cyf", "T:Cyf *.Cyf|*.Cyf", false},
    {24, "U:PLC", "PLC.Plc", 1017, false, S::PlcProgram, "Plc", "U:PLC *.Plc;*.Tsk|*.Plc;*.Tsk", true},
}};

template <typename Row> std::optional<int> findByItem(std::span<const Row> rows, QStringView text) {
    const QStringView t = text.trimmed();
    bool isNumber = false;
    const int number = t.toInt(&isNumber);
    if (isNumber)
        return number >= 0 && number < int(rows.size()) ? std::optional<int>(number) : std::nullopt;
    for (const Row& row : rows) {
        if (t.compare(QLatin1StringView(row.item), Qt::CaseInsensitive) == 0)
            return row.index;
    }
    return std::nullopt;
}

} // namespace

std::span<const SendFileType> sendFileTypes() {
    return kSendTypes;
}

std::span<const RecvFileType> recvFileTypes() {
    return kRecvTypes;
}

const SendFileType* sendFileType(int index) {
    return index >= 0 && index < kSendTypeCount ? &kSendTypes[size_t(index)] : nullptr;
}

const RecvFileType* recvFileType(int index) {
    return index >= 0 && index < kRecvTypeCount ? &kRecvTypes[size_t(index)] : nullptr;
}

std::optional<int> findSendFileType(QStringView itemOrIndex) {
    return findByItem(sendFileTypes(), itemOrIndex);
}

std::optional<int> findRecvFileType(QStringView itemOrIndex) {
    return findByItem(recvFileTypes(), itemOrIndex);
}

std::optional<int> receiveTypeGivingBack(int sendItem) {
    switch (sendItem) {
    case 0:
    case 1:
        return 0; // "0:CNC": the current program
    case 3:
        return 24; // "U:PLC"
    case 10:
        return 23; // "T:CYF"
    case 11:
        return 22; // "S:999"
    default:
        return std::nullopt;
    }
}

QByteArray sendFrame(const SendFileType& type, const QByteArray& image) {
    QByteArray frame;
    if (type.programNumber == nullptr) {
        frame.reserve(image.size() + 2);
        frame += '\x12';
        frame += image;
        frame += '\x14';
        return frame;
    }
    const QByteArray number(type.programNumber);
    frame.reserve(image.size() + number.size() + 6);
    frame += "\x12%\r";
    frame += number;
    frame += '\r';
    frame += image;
    frame += "%\x14";
    return frame;
}

} // namespace velmorix
