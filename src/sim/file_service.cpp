#include "sim/file_service.h"

#include "sim/codec.h"

#include <QRegularExpression>

namespace velmorix::sim {

namespace {
struct HexType {
    int take;
    int serve; // 0: served by no receive type
    const char* program;
};
constexpr HexType kHexTypes[] = {
    {1005, 1017, "O9003"}, {1011, 0, "O9110"}, {1010, 0, "O9100"},    {1013, 0, "O9130"},
    {1012, 0, "O9120"},    {1014, 0, "O9140"}, {1018, 1021, "O9180"}, {1019, 1020, "O9190"},
};

int takenTypeOf(int serveCode) {
    for (const auto& h : kHexTypes)
        if (h.serve == serveCode)
            return h.take;
    return 0;
}

QByteArray hexFileDefault(int takeCode) {
    QByteArray bytes;
    if (takeCode == FileService::kPlcTake) {
        bytes = "PLC-SIM1";
        for (int i = 0; i < 40; ++i)
            bytes += static_cast<char>((i * 7 + 3) & 0xFF);
    } else {
        for (int i = 0; i < 32; ++i)
            bytes += static_cast<char>(i * 5);
    }
    return bytes;
}

const QRegularExpression& assignmentPattern() {
    static const QRegularExpression re(QStringLiteral("^#(\\d+)=(-?\\d+)$"));
    return re;
}
} // namespace

FileService::FileService(Variables& variables) : m_variables(variables) {
    m_programs[m_currentProgram] = {"G90", "G00 X0 Y0", "G01 X50. F300", "G01 Y25.", "M30"};
}

FileService::Role FileService::roleOf(int typeCode) {
    switch (typeCode) {
    case 1001:
    case 1003:
    case 1007:
        return Role::Take;
    case kDnc:
        return Role::Dnc;
    case 1002:
    case 1009:
    case 1004:
    case 1020:
    case 1021:
    case kPlcServe:
        return Role::Serve;
    default:
        break;
    }
    if ((typeCode >= 1800 && typeCode <= 1809) ||
        (typeCode >= 1819 && typeCode <= 1899 && typeCode % 10 == 9))
        return Role::Serve;
    return isHexType(typeCode) ? Role::Take : Role::Unknown;
}

QByteArray FileService::programLineOf(int typeCode) {
    for (const auto& h : kHexTypes)
        if (h.take == typeCode)
            return h.program;
    return {};
}

std::variant<QByteArray, QString> FileService::checkHexImage(const QByteArray& image) {
    if (image.size() % 40 != 0 || image.size() < 120)
        return QStringLiteral("truncated image: %1 characters").arg(image.size());
    QByteArray bytes;
    bytes.reserve(image.size() / 5 * 2);
    for (qsizetype g = 0; g < image.size(); g += 5) {
        bool ok = image[g + 4] == kCr;
        for (int i = 0; i < 4 && ok; ++i) {
            const char c = image[g + i];
            ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        }
        if (!ok)
            return QStringLiteral("malformed group at character %1").arg(g);
        bytes += QByteArray::fromHex(image.mid(g, 4));
    }
    const qsizetype lines = bytes.size() / 16;
    const QByteArray lenRec = bytes.mid((lines - 2) * 16, 16);
    const QByteArray cksRec = bytes.mid((lines - 1) * 16, 16);
    const QByteArray marks(8, static_cast<char>(0xAA));
    if (!lenRec.startsWith(marks + "LEN:"))
        return QStringLiteral("no length record");
    if (!cksRec.startsWith(marks + "CKS:"))
        return QStringLiteral("no checksum record");
    auto be32 = [](const QByteArray& rec) {
        quint32 v = 0;
        for (int i = 12; i < 16; ++i)
            v = (v << 8) | static_cast<quint8>(rec[i]);
        return v;
    };
    const quint32 n = be32(lenRec);
    if (n == 0 || (n + 15) / 16 != quint32(lines - 2))
        return QStringLiteral("length record says %1 bytes, image holds %2 lines").arg(n).arg(lines - 2);
    quint32 sum = 0;
    for (quint32 i = 0; i < n; ++i)
        sum += static_cast<quint8>(bytes[i]);
    if (sum != be32(cksRec))
        return QStringLiteral("checksum record %1, bytes sum to %2").arg(be32(cksRec)).arg(sum);
    return bytes.left(n);
}

QList<QByteArray> FileService::digitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < bytes.size(); i += 4) {
        QByteArray line;
        for (qsizetype k = i; k < i + 4; ++k) {
            const quint8 b = k < bytes.size() ? static_cast<quint8>(bytes[k]) : 0;
            line += static_cast<char>(0x30 + (b >> 4));
            line += static_cast<char>(0x30 + (b & 0xF));
        }
        lines << line;
    }
    return lines;
}

QByteArray FileService::withRecords(const QByteArray& bytes, quint32 checksumBias) {
    QByteArray out = bytes;
    out += QByteArray((16 - bytes.size() % 16) % 16, '\0');
    quint32 sum = checksumBias;
    for (char c : bytes)
        sum += static_cast<quint8>(c);
    auto record = [](const char* tag, quint32 v) {
        QByteArray r(8, static_cast<char>(0xAA));
        r += tag;
        for (int s = 24; s >= 0; s -= 8)
            r += static_cast<char>((v >> s) & 0xFF);
        return r;
    };
    out += record("LEN:", static_cast<quint32>(bytes.size()));
    out += record("CKS:", sum);
    return out;
}

TransferRecord FileService::take(int typeCode, const QByteArray& name, const QByteArray& content,
                                 qint64 atUs) {
    TransferRecord rec{typeCode, name, TransferRecord::Outcome::Stored, {}, 0};
    const QByteArray program = programLineOf(typeCode);
    if (program.isEmpty()) {          // text types: the text itself
        if (content.contains('\0')) { // what the line garbled arrives as 0 (parity error)
            rec.outcome = TransferRecord::Outcome::Refused;
            rec.reason = QStringLiteral("parity error in the text");
            return rec;
        }
        rec.size = content.size();
        if (typeCode == 1001)
            takeProgram(content);
        else
            takeAssignments(content, atUs);
        m_files[typeCode] = content;
        return rec;
    }
    const QByteArray head = QByteArray("%\r") + program + "\r";
    if (!content.startsWith(head) || !content.endsWith('%')) {
        rec.outcome = TransferRecord::Outcome::Refused;
        rec.reason = QStringLiteral("frame does not read %\\r%1\\r ... %").arg(QString::fromLatin1(program));
        return rec;
    }
    const auto checked = checkHexImage(content.mid(head.size(), content.size() - head.size() - 1));
    if (const QString* why = std::get_if<QString>(&checked)) {
        rec.outcome = TransferRecord::Outcome::Refused;
        rec.reason = *why;
        return rec;
    }
    m_files[typeCode] = std::get<QByteArray>(checked);
    rec.size = m_files[typeCode].size();
    return rec;
}

void FileService::takeProgram(const QByteArray& text) {
    QByteArray name;
    QList<QByteArray> lines;
    for (QByteArray line : QByteArray(text).replace('\n', '\r').split('\r')) {
        line = line.trimmed();
        if (line.isEmpty() || line == "%")
            continue;
        if (name.isEmpty() && line.size() >= 2 && line[0] == 'O' && line.mid(1).toInt() > 0) {
            name = line;
            continue;
        }
        lines << line;
    }
    if (name.isEmpty())
        name = "O0001";
    m_programs[name] = lines;
    m_currentProgram = name;
}

void FileService::takeAssignments(const QByteArray& text, qint64 atUs) {
    for (const QByteArray& raw : QByteArray(text).replace('\n', '\r').split('\r')) {
        const auto m = assignmentPattern().match(QString::fromLatin1(raw.trimmed()));
        if (m.hasMatch())
            m_variables.write(m.captured(1).toInt(), m.captured(2).toInt(), atUs);
    }
}

QByteArray FileService::assignments(int first, int last, qint64 atUs) const {
    QByteArray out;
    for (int n = first; n <= last; ++n)
        out += QByteArray("#") + QByteArray::number(10000 + n).mid(1) + "=" +
               QByteArray::number(m_variables.read(n, atUs)) + "\r";
    return out;
}

QByteArray FileService::serve(int typeCode, const QByteArray& name, bool badChecksum, qint64 atUs,
                              QByteArray* announcedName) const {
    QByteArray text;
    *announcedName = name;
    auto programText = [this](const QByteArray& progName) {
        QByteArray t = progName + "\r";
        for (const QByteArray& l : m_programs.value(progName))
            t += l + "\r";
        return t;
    };
    if (typeCode == 1002) {
        *announcedName = m_currentProgram;
        text = "%\r" + programText(m_currentProgram) + "%";
    } else if (typeCode == 1009) {
        text = "%\r";
        for (auto it = m_programs.cbegin(); it != m_programs.cend(); ++it)
            text += programText(it.key());
        text += "%";
    } else if (typeCode == 1004) {
        text = "%\r" + assignments(11000, 11049, atUs) + "%";
    } else if (typeCode >= 1800 && typeCode <= 1899) {
        const int first = typeCode <= 1809 ? (typeCode - 1800) * 100 : (typeCode - 1809) / 10 * 1000;
        const int last = typeCode <= 1809 ? first + 99 : first + 999;
        text = "%\r" + assignments(first, last, atUs) + "%";
    } else {
        const int taken = takenTypeOf(typeCode);
        QByteArray bytes = m_files.value(taken);
        if (bytes.isEmpty())
            bytes = hexFileDefault(taken);
        if (typeCode == kPlcServe)
            bytes = withRecords(bytes, badChecksum ? 1 : 0);
        text = "%\r" + programLineOf(taken) + "\r";
        for (const QByteArray& l : digitLines(bytes))
            text += l + "\r";
        text += "%";
    }
    return kDc2 + text + kDc4;
}

} // namespace velmorix::sim
