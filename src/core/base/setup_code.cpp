#include "core/base/setup_code.h"

namespace velmorix {

QString SetupCodeText(const CommSelection& s) {
    return QString::number(s.port + 1) + QString::number(s.baud + 1) + QString::number(s.parity) +
           QString::number(s.dataBits + 7) + QString::number(s.stopBits + 1) + QString::number(s.manual);
}

bool applySetupCode(const QString& code, CommSelection& s) {
    QString padded = code.left(6);
    while (padded.size() < 6)
        padded += QLatin1Char(' ');
    bool valid = true;
    auto take = [&](int pos, char lo, char hi, int offset, int& field) {
        const QChar c = padded[pos];
        if (c >= QLatin1Char(lo) && c <= QLatin1Char(hi))
            field = c.unicode() - '0' - offset;
        else
            valid = false;
    };
    take(0, '1', '6', 1, s.port);
    take(1, '1', '6', 1, s.baud);
    take(2, '0', '4', 0, s.parity);
    take(3, '7', '8', 7, s.dataBits);
    take(4, '1', '2', 1, s.stopBits);
    take(5, '0', '1', 0, s.manual);
    return valid;
}

QStringList commItems(CommGroup group, qint32 comStartNum) {
    switch (group) {
    case CommGroup::Com: {
        QStringList items;
        for (int i = 0; i < 6; ++i)
            items << QStringLiteral("Com") + QString::number(static_cast<qint64>(comStartNum) + i);
        return items;
    }
    case CommGroup::BaudRate:
        return {"9600", "19200", "28800", "38400", "57600", "115200"};
    case CommGroup::ParityCheck:
        return {"None", "Odd", "Even", "Mark", "Space"};
    case CommGroup::DataBits:
        return {"7 Bits", "8 Bits"};
    case CommGroup::StopBits:
        return {"1 Bit", "2 Bits"};
    case CommGroup::Manual:
        return {"Default", "Modify"};
    }
    return {};
}

namespace {
int* field(CommSelection& s, CommGroup group) {
    switch (group) {
    case CommGroup::Com:
        return &s.port;
    case CommGroup::BaudRate:
        return &s.baud;
    case CommGroup::ParityCheck:
        return &s.parity;
    case CommGroup::DataBits:
        return &s.dataBits;
    case CommGroup::StopBits:
        return &s.stopBits;
    case CommGroup::Manual:
        return &s.manual;
    }
    return &s.port;
}
} // namespace

void setCommItem(CommSelection& s, CommGroup group, int index) {
    if (index >= 0 && index < commItems(group, 1).size())
        *field(s, group) = index;
}

int commItem(const CommSelection& s, CommGroup group) {
    return *field(const_cast<CommSelection&>(s), group);
}

QString portName(const CommSelection& s, qint32 comStartNum) {
    return QStringLiteral("COM") + QString::number(static_cast<qint64>(comStartNum) + s.port);
}

PortSettings lineSettings(const CommSelection& s) {
    PortSettings p;
    p.baudRate = kBaudRates[s.baud];
    p.customRate = s.baud == 2;
    p.parity = static_cast<Parity>(s.parity);
    p.dataBits = s.dataBits == 0 ? 7 : 8;
    p.stopBits = s.stopBits == 0 ? 1 : 2;
    p.hardwareFlow = true;
    return p;
}

QString portDescription(const CommSelection& s, qint32 comStartNum) {
    return portName(s, comStartNum) + QLatin1Char(',') + lineSettingsText(lineSettings(s));
}

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine cl;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QStringLiteral("--simulator"))
            cl.simulator = true;
        else if (a == QStringLiteral("--desktop"))
            cl.desktop = true;
        else if (a == QStringLiteral("--wire-log")) {
            if (i + 1 < arguments.size())
                cl.wireLog = arguments[++i];
            cl.wireLogMissing = cl.wireLog.isEmpty();
        } else if (a.startsWith(QStringLiteral("--wire-log="))) {
            cl.wireLog = a.mid(11);
            cl.wireLogMissing = cl.wireLog.isEmpty();
        } else if (!a.startsWith(QStringLiteral("--"))) {
            positional << a; // options the console does not know are passed over
        }
    }
    if (!positional.isEmpty())
        cl.setupCode = positional[0];
    if (positional.size() > 1 && !positional[1].isEmpty())
        cl.startWord = positional[1];
    return cl;
}

} // namespace velmorix
