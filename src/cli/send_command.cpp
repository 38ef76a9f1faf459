// velmorix-cli send: a file to the controller, done only when the controller has it.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/files/dnc_lines.h"
#include "core/files/file_types.h"
#include "core/files/modal_state.h"
#include "core/files/read_file.h"

#include <QElapsedTimer>
#include <QFileInfo>

namespace velmorix::cli {

namespace {

struct SendRequest {
    QString path;
    int type = 0;
    SendOptions options;
    bool dnc = false;
    LinkOptions link;
};

QString duration(qint64 ms) {
    return QStringLiteral("%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

QString progressLine(const TransferJob& job, const QElapsedTimer& since, bool lines) {
    const qint64 total = std::max<qint64>(job.total(), 1);
    const qint64 done = job.progress();
    const qint64 rate = done * 1000 / std::max<qint64>(since.elapsed(), 1);
    const qint64 left = rate > 0 ? (total - done) * 1000 / rate : 0;
    return QStringLiteral("%1%  %2/%3 %4  %5/s  %6 left")
        .arg(100 * done / total, 3)
        .arg(done)
        .arg(total)
        .arg(lines ? QStringLiteral("lines") : QStringLiteral("bytes"))
        .arg(rate)
        .arg(duration(left));
}

// The options and the file, checked before anything links; nothing when a mistake was said.
std::optional<SendRequest> readRequest(const QStringList& args, int* status) {
    QCommandLineParser p;
    CommonOptions common;
    common.addTo(p);
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("The send type (below)."),
                                  QStringLiteral("TYPE"));
    const QCommandLineOption flash(
        QStringLiteral("flash"),
        QStringLiteral("After the send, the type's flash-write command, as \"w2Flash\" "
                       "does; the command waits for it to go out."));
    const QCommandLineOption fromLine(
        QStringLiteral("from-line"),
        QStringLiteral("D:DNC only: feed from line N (1 = the first) as a new run."), QStringLiteral("N"));
    const QCommandLineOption preamble(
        QStringLiteral("preamble"),
        QStringLiteral(
            "With --from-line: first send the modal state in force at line N (the last code of each "
            "modal G group, F, S, T, spindle and coolant M codes, work offset), taken from the lines "
            "before it. Without it the state is only printed."));
    const QCommandLineOption buffer(
        QStringLiteral("controller-buffer"),
        QStringLiteral("D:DNC only: bytes of program the controller's receive buffer "
                       "holds, which bounds the lines it may not have run when a run "
                       "stops (default: [Dnc] ControllerBufferBytes of "
                       "Config/Environment.ini, or 4096)."),
        QStringLiteral("BYTES"));
    p.addOptions({type, flash, fromLine, preamble, buffer});
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    if (const auto s =
            parse(p, QStringLiteral("send"),
                  QStringLiteral("Sends FILE to the controller as the console's SendOut does. It succeeds "
                                 "only when the last byte has crossed the line and the controller's next "
                                 "status carries no new error number (a DNC run: when its last line has "
                                 "crossed and no new error came during it)."),
                  args, sendTypesHelp())) {
        *status = *s;
        return std::nullopt;
    }
    *status = kUsage;
    const auto refuse = [](const QString& line) {
        usage(line);
        return std::optional<SendRequest>();
    };
    SendRequest r;
    const auto item = findSendFileType(p.value(type));
    if (!p.isSet(type) || !item)
        return refuse(
            QStringLiteral("send: unknown type %1 (0-13 or an item such as 3:PLC)").arg(p.value(type)));
    if (p.positionalArguments().size() != 1)
        return refuse(QStringLiteral("send: give exactly one FILE"));
    r.type = *item;
    r.dnc = *item == kDncTypeIndex;
    r.path = p.positionalArguments().first();
    const FileContent content = readWholeFile(r.path);
    if (!content.ok)
        return refuse(QStringLiteral("send: cannot read %1: %2").arg(r.path, content.error));
    if (p.isSet(fromLine)) {
        bool ok = false;
        r.options.fromLine = p.value(fromLine).toInt(&ok);
        if (!r.dnc)
            return refuse(QStringLiteral("send: --from-line is for D:DNC only"));
        if (!ok || r.options.fromLine < 1)
            return refuse(
                QStringLiteral("send: --from-line %1 is not a line (1 = the first)").arg(p.value(fromLine)));
        const DncLines lines(content.bytes);
        if (r.options.fromLine > lines.count())
            return refuse(QStringLiteral("send: --from-line %1 is past the end (%2 lines)")
                              .arg(r.options.fromLine)
                              .arg(lines.count()));
        const QList<QByteArray> state = ModalState::before(lines, r.options.fromLine).preamble();
        if (!p.isSet(preamble) && !state.isEmpty())
            say(QStringLiteral("the lines before line %1 set: %2 (not sent; --preamble sends them first)")
                    .arg(r.options.fromLine)
                    .arg(QString::fromLatin1(state.join(" | "))));
    }
    if (p.isSet(preamble) && !p.isSet(fromLine))
        return refuse(QStringLiteral("send: --preamble goes with --from-line"));
    r.options.preamble = p.isSet(preamble);
    r.options.flash = p.isSet(flash);
    r.link = common.read(p);
    if (p.isSet(buffer)) {
        bool ok = false;
        r.link.controllerBuffer = p.value(buffer).toInt(&ok);
        if (!ok || r.link.controllerBuffer < 0)
            return refuse(
                QStringLiteral("send: --controller-buffer %1 is not a number of bytes").arg(p.value(buffer)));
    }
    *status = kDone;
    return r;
}

} // namespace

int runSend(const QStringList& args) {
    int status = kDone;
    const auto request = readRequest(args, &status);
    if (!request)
        return status;
    Session s(request->link);
    if (const int linked = s.openAndHearStatus(); linked != kDone)
        return linked;
    const auto job = s.console().sendFile(request->path, request->type, request->options);
    QElapsedTimer since;
    since.start();
    s.runUntil([&] {
        if (job->state() == TransferJob::State::Running)
            s.progress(progressLine(*job, since, request->dnc));
        return job->done();
    });
    s.endProgress();
    if (!job->done()) {
        s.stopCleanly();
        if (job->done())
            say(job->result().reason);
        return s.stopStatus();
    }
    if (job->result().kind != TransferEnd::Kind::Sent) {
        say(job->result().reason);
        s.drain(2000);
        return kFailed;
    }
    // With --flash the command follows the send; it goes out before the command ends.
    if (request->options.flash)
        s.runUntil([&s] { return !s.console().TimerMdi_go().isEnabled() && !s.console().paused(); }, 10000);
    s.drain();
    result(QStringLiteral("sent %1 as %2")
               .arg(QFileInfo(request->path).fileName(),
                    QString::fromLatin1(sendFileType(request->type)->item)));
    return kDone;
}

} // namespace velmorix::cli
