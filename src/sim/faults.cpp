#include "sim/faults.h"

#include <QRegularExpression>

namespace velmorix::sim {

namespace {
struct NamedFault {
    Fault kind;
    const char* name;
};
constexpr NamedFault kNames[] = {
    {Fault::DropDsr, "DropDsr"},
    {Fault::HoldCts, "HoldCts"},
    {Fault::XoffStorm, "XoffStorm"},
    {Fault::NoiseBetweenFrames, "NoiseBetweenFrames"},
    {Fault::TruncatedFrame, "TruncatedFrame"},
    {Fault::WrongLengthFrame, "WrongLengthFrame"},
    {Fault::StaleSequence, "StaleSequence"},
    {Fault::ErrorNumber, "ErrorNumber"},
    {Fault::SilentHandshake, "SilentHandshake"},
    {Fault::RefuseArmFrame, "RefuseArmFrame"},
    {Fault::SlowDnc, "SlowDnc"},
    {Fault::BadServedChecksum, "BadServedChecksum"},
    {Fault::LineNoise, "LineNoise"},
    {Fault::Vanish, "Vanish"},
};
} // namespace

void FaultPlan::dropEndedBefore(qint64 atUs) {
    m_specs.removeIf([atUs](const FaultSpec& f) { return f.untilUs < atUs; });
}

QString faultName(Fault kind) {
    for (const auto& n : kNames)
        if (n.kind == kind)
            return QString::fromLatin1(n.name);
    return {};
}

std::optional<Fault> faultFromName(const QString& name) {
    for (const auto& n : kNames)
        if (name.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0)
            return n.kind;
    return std::nullopt;
}

QList<Fault> allFaults() {
    QList<Fault> out;
    for (const auto& n : kNames)
        out << n.kind;
    return out;
}

std::optional<FaultSpec> parseFault(const QString& text, QString* error) {
    static const QRegularExpression re(
        QStringLiteral("^([A-Za-z]+)(?:=(-?\\d+))?(?:@(\\d+))?(?:\\+(\\d+))?(?:x(\\d+))?$"));
    const auto m = re.match(text.trimmed());
    auto fail = [&](const QString& why) -> std::optional<FaultSpec> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (!m.hasMatch())
        return fail(
            QStringLiteral("not of the form NAME[=VALUE][@START_MS][+DURATION_MS][xCOUNT]: %1").arg(text));
    const auto kind = faultFromName(m.captured(1));
    if (!kind)
        return fail(QStringLiteral("unknown fault: %1").arg(m.captured(1)));
    FaultSpec fault;
    fault.kind = *kind;
    if (m.hasCaptured(2)) {
        fault.value = m.captured(2).toInt();
        fault.hasValue = true;
    }
    if (m.hasCaptured(3))
        fault.fromUs = m.captured(3).toLongLong() * 1000;
    if (m.hasCaptured(4))
        fault.untilUs = fault.fromUs + m.captured(4).toLongLong() * 1000;
    if (m.hasCaptured(5))
        fault.count = m.captured(5).toInt();
    return fault;
}

const FaultSpec* FaultPlan::active(Fault kind, qint64 atUs) const {
    for (const FaultSpec& s : m_specs)
        if (s.kind == kind && atUs >= s.fromUs && atUs < s.untilUs && s.count != 0)
            return &s;
    return nullptr;
}

const FaultSpec* FaultPlan::take(Fault kind, qint64 atUs) {
    for (FaultSpec& s : m_specs)
        if (s.kind == kind && atUs >= s.fromUs && atUs < s.untilUs && s.count != 0) {
            if (s.count > 0)
                --s.count;
            return &s;
        }
    return nullptr;
}

qint64 FaultPlan::nextBoundaryAfter(qint64 atUs) const {
    qint64 next = kForever;
    for (const FaultSpec& s : m_specs) {
        if (s.fromUs > atUs)
            next = std::min(next, s.fromUs);
        if (s.untilUs > atUs && s.untilUs < kForever)
            next = std::min(next, s.untilUs);
    }
    return next;
}

} // namespace velmorix::sim
