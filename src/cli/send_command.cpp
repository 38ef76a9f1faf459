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
    std::optional<int> verifyType; // --verify: the receive type that gives the file back
    QString accessCode;
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

struct SendSwitches {
    CommonOptions common;
    QCommandLineOption type{QStringLiteral("type"), QStringLiteral("The send type (below)."),
                            QStringLiteral("TYPE")};
    QCommandLineOption flash{
        QStringLiteral("flash"),
        QStringLiteral("After the send, the type's flash-write command, as \"w2Flash\" does; "
                       "the command waits for it to go out.")};
    QCommandLineOption fromLine{QStringLiteral("from-line"),
                                QStringLiteral("D:DNC only: feed from line N (1 = the first) as a new run."),
                                QStringLiteral("N")};
    QCommandLineOption preamble{
        QStringLiteral("preamble"),
        QStringLiteral(
            "With --from-line: first send the modal state in force at line N (the last code of each modal "
            "G group, F, S, T, spindle and coolant M codes, work offset), taken from the lines before it. "
            "Without it the state is only printed.")};
    QCommandLineOption buffer{
        QStringLiteral("controller-buffer"),
        QStringLiteral("D:DNC only: bytes of program the controller's receive buffer holds, "
                       "which bounds the lines it may not have run when a run stops (default: "
                       "[Dnc] ControllerBufferBytes of Config/Environment.ini, or 4096)."),
        QStringLiteral("BYTES")};
    QCommandLineOption verify{
        QStringLiteral("verify"),
        QStringLiteral(
            "After a confirmed send, receive the file back and compare it with what was sent (0:CNC "
            "and 1:CNC come back as 0:CNC, 3:PLC as U:PLC with --access-code, A:CYF as T:CYF, "
            "B:999 as S:999); the journal records the verification.")};
    QCommandLineOption accessCode{QStringLiteral("access-code"),
                                  QStringLiteral("3:PLC with --verify: the console's service access code."),
                                  QStringLiteral("CODE")};

    void addTo(QCommandLineParser& p) const {
        common.addTo(p);
        p.addOptions({type, flash, fromLine, preamble, buffer, verify, accessCode});
        p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    }
};

// A run from a later line: the line must be in the program, and the modal state the lines before it
// built up is said unless it is to be sent. The mistake, or nothing.
QString checkFromLine(const QCommandLineParser& p, const SendSwitches& o, const QByteArray& program,
                      SendRequest& r) {
    bool ok = false;
    r.options.fromLine = p.value(o.fromLine).toInt(&ok);
    if (!r.dnc)
        return QStringLiteral("send: --from-line is for D:DNC only");
    if (!ok || r.options.fromLine < 1)
        return QStringLiteral("send: --from-line %1 is not a line (1 = the first)").arg(p.value(o.fromLine));
    const DncLines lines(program);
    if (r.options.fromLine > lines.count())
        return QStringLiteral("send: --from-line %1 is past the end (%2 lines)")
            .arg(r.options.fromLine)
            .arg(lines.count());
    const QList<QByteArray> state = ModalState::before(lines, r.options.fromLine).preamble();
    if (!p.isSet(o.preamble) && !state.isEmpty())
        say(QStringLiteral("the lines before line %1 set: %2 (not sent; --preamble sends them first)")
                .arg(r.options.fromLine)
                .arg(QString::fromLatin1(state.join(" | "))));
    return {};
}

// The options and the file, checked before anything links; the mistake, or nothing.
QString check(const QCommandLineParser& p, const SendSwitches& o, SendRequest& r) {
    const auto item = findSendFileType(p.value(o.type));
    if (!p.isSet(o.type) || !item)
        return QStringLiteral("send: unknown type %1 (0-13 or an item such as 3:PLC)").arg(p.value(o.type));
    if (p.positionalArguments().size() != 1)
        return QStringLiteral("send: give exactly one FILE");
    r.type = *item;
    r.dnc = *item == kDncTypeIndex;
    r.path = p.positionalArguments().first();
    const FileContent content = readWholeFile(r.path);
    if (!content.ok)
        return QStringLiteral("send: cannot read %1: %2").arg(r.path, content.error);
    if (p.isSet(o.fromLine))
        if (QString why = checkFromLine(p, o, content.bytes, r); !why.isEmpty())
            return why;
    if (p.isSet(o.preamble) && !p.isSet(o.fromLine))
        return QStringLiteral("send: --preamble goes with --from-line");
    r.options.preamble = p.isSet(o.preamble);
    if (p.isSet(o.verify)) {
        r.verifyType = receiveTypeGivingBack(r.type);
        if (!r.verifyType)
            return QStringLiteral(
                       "send: --verify: nothing gives %1 back (0:CNC, 1:CNC, 3:PLC, A:CYF and B:999 "
                       "come back)")
                .arg(QString::fromLatin1(sendFileType(r.type)->item));
        if (recvFileType(*r.verifyType)->serviceOnly && !p.isSet(o.accessCode))
            return QStringLiteral("send: --verify of 3:PLC receives U:PLC, which needs --access-code");
        r.accessCode = p.value(o.accessCode);
    }
    r.options.flash = p.isSet(o.flash);
    r.link = o.common.read(p);
    bool ok = true;
    if (p.isSet(o.buffer) && ((r.link.controllerBuffer = p.value(o.buffer).toInt(&ok)) < 0 || !ok))
        return QStringLiteral("send: --controller-buffer %1 is not a number of bytes").arg(p.value(o.buffer));
    return {};
}

std::optional<SendRequest> readRequest(const QStringList& args, int* status) {
    QCommandLineParser p;
    const SendSwitches switches;
    switches.addTo(p);
    if (const auto s =
            parse(p, QStringLiteral("send"),
                  QStringLiteral(
                      "Sends FILE to the controller as the console's SendOut does. It succeeds only when "
                      "the last byte has crossed the line and the controller's next status carries no new "
                      "error number (a DNC run: when its last line has crossed and no new error came "
                      "during it)."),
                  args, sendTypesHelp())) {
        *status = *s;
        return std::nullopt;
    }
    SendRequest r;
    if (const QString why = check(p, switches, r); !why.isEmpty()) {
        *status = usage(why);
        return std::nullopt;
    }
    *status = kDone;
    return r;
}

// --verify: the controller gives the file back and it is compared with what went out (a text type's
// image, without TABs and comments; a hex type's bytes). The receive's record says what was found.
int verify(Session& s, const SendRequest& r, const TransferEnd& sent) {
    Console& c = s.console();
    if (recvFileType(*r.verifyType)->serviceOnly) {
        s.setAccessCode(r.accessCode);
        c.TskIdAccess();
        if (!c.state().PlcUploadUnlocked)
            return usage(QStringLiteral("send: the access code is not the console's"));
    }
    const bool text = sendFileType(r.type)->loader == LoaderKind::Text;
    const QByteArray wentOut = text ? c.filePage().TransferImage() : c.filePage().loadedBytes();
    const SavePolicy policy{SavePolicy::Kind::Keep,
                            {},
                            SavePolicy::Compare{QFileInfo(r.path).fileName(), wentOut, sent.recordId}};
    const auto job = c.receive(*r.verifyType, policy);
    s.runUntil([&] { return job->done(); });
    if (!job->done()) {
        s.stopCleanly();
        return s.stopStatus();
    }
    const TransferEnd& back = job->result();
    if (!back.ok() || !back.compared) {
        say(QStringLiteral("verify: %1").arg(back.reason));
        return kFailed;
    }
    if (!back.compared->same) {
        say(QStringLiteral("verify: the controller's file %1").arg(back.compared->summary()));
        return kFailed;
    }
    result(QStringLiteral("verified: the controller's file is the same as %1")
               .arg(QFileInfo(r.path).fileName()));
    return kDone;
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
    return request->verifyType ? verify(s, *request, job->result()) : kDone;
}

} // namespace velmorix::cli
