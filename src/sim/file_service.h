#pragma once

#include "sim/variables.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <variant>

namespace velmorix::sim {

// What became of one announced transfer.
struct TransferRecord {
    enum class Outcome { Stored, Refused, Served, Aborted, Unknown };
    int typeCode = 0;
    QByteArray name;
    Outcome outcome = Outcome::Unknown;
    QString reason;     // why a file was refused or a transfer aborted
    qsizetype size = 0; // bytes stored or body bytes served
};

// The controller's files: which type codes it takes and which it serves, the check of what it takes,
// what it keeps, and the bodies it sends back.
class FileService {
public:
    enum class Role { Take, Serve, Dnc, Unknown };

    static constexpr int kDnc = 1006;
    static constexpr int kPlcTake = 1005;
    static constexpr int kPlcServe = 1017;
    static constexpr int kFileRefusedError = 31;

    explicit FileService(Variables& variables);

    static Role roleOf(int typeCode);
    // Program line that heads the send frame of a hex type ("O9003" for 1005), empty for text types.
    static QByteArray programLineOf(int typeCode);
    static bool isHexType(int typeCode) { return !programLineOf(typeCode).isEmpty(); }

    // Checks a transfer image (groups of four hex digits and CR, length and checksum records) and
    // gives the file bytes, or the reason it is refused.
    static std::variant<QByteArray, QString> checkHexImage(const QByteArray& image);
    // The lines a hex file is served as: four bytes a line, each byte as two digit bytes 0x30 + d.
    static QList<QByteArray> digitLines(const QByteArray& bytes);
    // A file with its length and checksum records appended, padded to 16-byte lines.
    static QByteArray withRecords(const QByteArray& bytes, quint32 checksumBias);

    // Takes the content of a send frame (between DC2 and DC4) announced as typeCode.
    TransferRecord take(int typeCode, const QByteArray& name, const QByteArray& content, qint64 atUs);
    // The body (DC2 ... DC4) served for a receive type, and the name its handshake carries.
    QByteArray serve(int typeCode, const QByteArray& name, bool badChecksum, qint64 atUs,
                     QByteArray* announcedName) const;

    QByteArray stored(int typeCode) const { return m_files.value(typeCode); }
    void store(int typeCode, const QByteArray& bytes) { m_files[typeCode] = bytes; }
    const QMap<QByteArray, QList<QByteArray>>& programs() const { return m_programs; }

private:
    void takeProgram(const QByteArray& text);
    void takeAssignments(const QByteArray& text, qint64 atUs);
    QByteArray assignments(int first, int last, qint64 atUs) const;

    Variables& m_variables;
    QMap<int, QByteArray> m_files; // hex types, decoded
    QMap<QByteArray, QList<QByteArray>> m_programs;
    QByteArray m_currentProgram = "O0001";
};

} // namespace velmorix::sim
