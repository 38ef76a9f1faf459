// velmorix-cli write: values as the value dialog writes them, done once the controller streams them.
#include "cli/commands.h"
#include "cli/session.h"

#include <QRegularExpression>

namespace velmorix::cli {

namespace {

constexpr int kReadBackMs = 2000;

// NUMBER=VALUE pairs; the mistake, or nothing.
QString readWrites(const QStringList& args, QList<std::pair<qint32, qint32>>& writes) {
    static const QRegularExpression pair(QStringLiteral("^(-?[0-9]{1,10})=(-?[0-9]{1,10})$"));
    for (const QString& a : args) {
        const auto m = pair.match(a);
        bool ok1 = false;
        bool ok2 = false;
        const qint32 number = m.captured(1).toInt(&ok1);
        const qint32 value = m.captured(2).toInt(&ok2);
        if (!m.hasMatch() || !ok1 || !ok2)
            return QStringLiteral("write: %1 is not NUMBER=VALUE (32-bit numbers)").arg(a);
        writes << std::pair{number, value};
    }
    if (writes.isEmpty())
        return QStringLiteral("write: give at least one NUMBER=VALUE");
    if (writes.size() > kMaxBlockCount)
        return QStringLiteral("write: at most %1 values at a time").arg(kMaxBlockCount);
    return {};
}

// Every write answered by the controller with no new error, then every value streamed back.
int confirm(Session& s, const QList<std::shared_ptr<CommandJob>>& jobs,
            const QList<std::pair<qint32, qint32>>& writes, const QList<WatchedValue>& watched) {
    Console& c = s.console();
    if (!s.runUntil(
            [&] { return std::all_of(jobs.cbegin(), jobs.cend(), [](const auto& j) { return j->done(); }); }))
        return s.stopStatus();
    for (const auto& job : jobs)
        if (!job->result().ok) {
            say(job->result().text);
            return kFailed;
        }
    const auto differing = [&] {
        QStringList wrong;
        for (int i = 0; i < writes.size(); ++i)
            if (const qint32 now = c.state().live.PollValues[watched[i].item]; now != writes[i].second)
                wrong << QStringLiteral("%1 (reads %2)").arg(writes[i].first).arg(now);
        return wrong;
    };
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
    return kDone;
}

} // namespace

int runWrite(const QStringList& args) {
    QCommandLineParser p;
    const CommonOptions common;
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
    QList<std::pair<qint32, qint32>> writes;
    if (const QString why = readWrites(p.positionalArguments(), writes); !why.isEmpty())
        return usage(why);

    Session s(common.read(p));
    if (const int status = s.openAndHearStatus(); status != kDone)
        return status;
    QList<std::shared_ptr<CommandJob>> jobs;
    QList<qint32> numbers;
    for (const auto& [number, value] : writes) {
        jobs << s.console().writeValue(number, value);
        numbers << number;
    }
    if (const int status = confirm(s, jobs, writes, s.console().watch(numbers)); status != kDone)
        return status;
    for (const auto& [number, value] : writes)
        result(QStringLiteral("%1=%2").arg(number).arg(value));
    return kDone;
}

} // namespace velmorix::cli
