// velmorix-cli write: values as the value dialog writes them, done once the controller streams them.
#include "cli/commands.h"
#include "cli/session.h"

#include <QRegularExpression>

namespace velmorix::cli {

namespace {
constexpr int kReadBackMs = 2000;
}

int runWrite(const QStringList& args) {
    QCommandLineParser p;
    CommonOptions common;
    common.addTo(p);
    p.addPositionalArgument(QStringLiteral("NUMBER=VALUE"), QStringLiteral("A variable and its new value."),
                            QStringLiteral("NUMBER=VALUE [NUMBER=VALUE ...]"));
    if (const auto status =
            parse(p, QStringLiteral("write"),
                  QStringLiteral("Writes each value as the value dialog does, then succeeds only when "
                                 "the controller reports no new error and streams every written value "
                                 "back within 2 s."),
                  args))
        return *status;
    static const QRegularExpression pair(QStringLiteral("^(-?[0-9]{1,10})=(-?[0-9]{1,10})$"));
    QList<std::pair<qint32, qint32>> writes;
    QList<qint32> numbers;
    for (const QString& a : p.positionalArguments()) {
        const auto m = pair.match(a);
        bool ok1 = false;
        bool ok2 = false;
        const qint32 number = m.captured(1).toInt(&ok1);
        const qint32 value = m.captured(2).toInt(&ok2);
        if (!m.hasMatch() || !ok1 || !ok2)
            return usage(QStringLiteral("write: %1 is not NUMBER=VALUE (32-bit numbers)").arg(a));
        writes << std::pair{number, value};
        numbers << number;
    }
    if (writes.isEmpty())
        return usage(QStringLiteral("write: give at least one NUMBER=VALUE"));
    if (writes.size() > kMaxBlockCount)
        return usage(QStringLiteral("write: at most %1 values at a time").arg(kMaxBlockCount));

    Session s(common.read(p));
    if (const int status = s.openAndHearStatus(); status != kDone)
        return status;
    Console& c = s.console();
    QList<std::shared_ptr<CommandJob>> jobs;
    for (const auto& [number, value] : writes)
        jobs << c.writeValue(number, value);
    const QList<WatchedValue> watched = c.watch(numbers);
    const auto differing = [&] {
        QStringList wrong;
        for (int i = 0; i < writes.size(); ++i) {
            const qint32 now = c.state().live.PollValues[watched[i].item];
            if (now != writes[i].second)
                wrong << QStringLiteral("%1 (reads %2)").arg(writes[i].first).arg(now);
        }
        return wrong;
    };
    const bool answered = s.runUntil(
        [&] { return std::all_of(jobs.cbegin(), jobs.cend(), [](const auto& j) { return j->done(); }); });
    if (!answered)
        return s.stopStatus();
    for (const auto& job : jobs)
        if (!job->result().ok) {
            say(job->result().text);
            return kFailed;
        }
    // The values themselves, as the new subscription streams them.
    quint64 seen = c.state().live.AcceptedFrames;
    const bool took = s.runUntil(
        [&] {
            if (c.state().block.PollBlockChanged() || c.state().live.AcceptedFrames == seen)
                return false;
            seen = c.state().live.AcceptedFrames;
            return differing().isEmpty();
        },
        kReadBackMs);
    if (s.stopRequested())
        return s.stopStatus();
    if (!took) {
        say(QStringLiteral("did not take: ") + differing().join(QStringLiteral(", ")));
        return kFailed;
    }
    for (const auto& [number, value] : writes)
        result(QStringLiteral("%1=%2").arg(number).arg(value));
    return kDone;
}

} // namespace velmorix::cli
