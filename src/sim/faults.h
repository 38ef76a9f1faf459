#pragma once

#include <QList>
#include <QString>
#include <limits>
#include <optional>

namespace velmorix::sim {

// Named ways in which the controller or its line misbehaves, to be switched on from tests and from
// the command line.
enum class Fault {
    DropDsr,            // DSR off during the window
    HoldCts,            // CTS off during the window
    XoffStorm,          // value (default 8) XOFF bytes at the start, one before every frame, XON at the end
    NoiseBetweenFrames, // value (default 7) noise bytes before every status frame
    TruncatedFrame,     // status frames end half way, without their DC4
    WrongLengthFrame,   // status frames carry one filler byte too many
    StaleSequence,      // status frames carry the reply sequence of the request before
    ErrorNumber,        // the status word carries error number value (0..99)
    SilentHandshake,    // file announcements get no answer
    RefuseArmFrame,     // upload frame number value (0 hello, 1 header, 2.. data) is refused
    SlowDnc,            // each DNC line takes value ms (default 2000) to execute
    BadServedChecksum,  // served PLC programs carry a checksum record one too high
    LineNoise, // each data bit is flipped with a chance of value per million (default 100), both ways
    Vanish,    // the port fails as an unplugged adapter does (a pseudo-terminal hangs up)
};

inline constexpr qint64 kForever = std::numeric_limits<qint64>::max() / 4;

// One scripted fault: active from fromUs until untilUs on the line's clock, for at most `count`
// occurrences (frames, answers) when count >= 0.
struct FaultSpec {
    Fault kind = Fault::DropDsr;
    qint64 fromUs = 0;
    qint64 untilUs = kForever;
    int count = -1;
    qint32 value = 0;
    bool hasValue = false;
};

QString faultName(Fault kind);
std::optional<Fault> faultFromName(const QString& name);
QList<Fault> allFaults();

// NAME[=VALUE][@START_MS][+DURATION_MS][xCOUNT], e.g. "DropDsr@5000+2000", "ErrorNumber=12",
// "TruncatedFrame@1000x3". nullopt with a reason in *error on a malformed text.
std::optional<FaultSpec> parseFault(const QString& text, QString* error = nullptr);

// The scripted faults of one controller.
class FaultPlan {
public:
    void add(const FaultSpec& fault) { m_specs << fault; }
    void clear() { m_specs.clear(); }
    // Forgets the faults whose window closed before atUs, so a long run does not look through them.
    void dropEndedBefore(qint64 atUs);

    // The fault of this kind that is active at atUs, if any.
    const FaultSpec* active(Fault kind, qint64 atUs) const;
    // As active(), and counts one occurrence against it.
    const FaultSpec* take(Fault kind, qint64 atUs);
    // Earliest start or end of a window after atUs (kForever when none).
    qint64 nextBoundaryAfter(qint64 atUs) const;

private:
    QList<FaultSpec> m_specs;
};

} // namespace velmorix::sim
