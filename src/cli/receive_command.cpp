// velmorix-cli receive: a file from the controller, saved as SaveFile saves it.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/files/file_compare.h"
#include "core/files/file_types.h"
#include "core/files/read_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace velmorix::cli {

namespace {

struct ReceiveSwitches {
    CommonOptions common;
    QCommandLineOption type{QStringLiteral("type"), QStringLiteral("The receive type (below)."),
                            QStringLiteral("TYPE")};
    QCommandLineOption output{
        QStringLiteral("output"),
        QStringLiteral("Save to PATH, overwriting what is there; - writes the file to standard "
                       "output. Without it the file is saved under the name the controller "
                       "announced, in the current folder, and an existing file is never "
                       "overwritten."),
        QStringLiteral("PATH")};
    QCommandLineOption accessCode{QStringLiteral("access-code"),
                                  QStringLiteral("U:PLC only: the console's service access code."),
                                  QStringLiteral("CODE")};
    QCommandLineOption compare{
        QStringLiteral("compare"),
        QStringLiteral("Save nothing: compare the received file with FILE by the save's rules (text types: "
                       "CR LF or LF and trailing blanks do not count; hex types: the zero bytes a save pads "
                       "the last line of four with). Exit 0 when they are the same, 1 when not, naming the "
                       "first line or byte that differs as cmp does."),
        QStringLiteral("FILE")};
    QCommandLineOption diff{QStringLiteral("diff"),
                            QStringLiteral("With --compare, text types: print a unified diff instead.")};

    void addTo(QCommandLineParser& p) const {
        common.addTo(p);
        p.addOptions({type, output, accessCode, compare, diff});
    }
};

struct ReceiveRequest {
    int type = 0;
    bool serviceOnly = false;
    QString accessCode;
    SavePolicy save{SavePolicy::Kind::AnnouncedIn, QDir::currentPath(), std::nullopt};
    bool toStdout = false;
    QString compareFile; // --compare: the file as named
    bool diff = false;
};

// --compare FILE [--diff]: nothing is saved, the file is read now. The mistake, or nothing.
QString checkCompare(const QCommandLineParser& p, const ReceiveSwitches& o, const RecvFileType& row,
                     ReceiveRequest& r) {
    r.diff = p.isSet(o.diff);
    if (!p.isSet(o.compare))
        return r.diff ? QStringLiteral("receive: --diff goes with --compare") : QString();
    if (p.isSet(o.output))
        return QStringLiteral("receive: --compare saves nothing; leave out --output");
    if (r.diff && row.save != SaveMethod::Text)
        return QStringLiteral("receive: --diff is for text types; %1 compares bytes")
            .arg(QString::fromLatin1(row.item));
    r.compareFile = p.value(o.compare);
    const FileContent content = readWholeFile(r.compareFile);
    if (!content.ok)
        return QStringLiteral("receive: cannot read %1: %2").arg(r.compareFile, content.error);
    r.save = {SavePolicy::Kind::Keep, {}, SavePolicy::Compare{r.compareFile, content.bytes, {}}};
    return {};
}

QString check(const QCommandLineParser& p, const ReceiveSwitches& o, ReceiveRequest& r) {
    const auto item = findRecvFileType(p.value(o.type));
    if (!p.isSet(o.type) || !item)
        return QStringLiteral("receive: unknown type %1 (0-24 or an item such as S:999)")
            .arg(p.value(o.type));
    const RecvFileType& row = *recvFileType(*item);
    if (row.serviceOnly && !p.isSet(o.accessCode))
        return QStringLiteral("receive: %1 needs --access-code").arg(QString::fromLatin1(row.item));
    if (!p.positionalArguments().isEmpty())
        return QStringLiteral("receive: unexpected %1").arg(p.positionalArguments().first());
    r.type = *item;
    r.serviceOnly = row.serviceOnly;
    r.accessCode = p.value(o.accessCode);
    r.toStdout = p.value(o.output) == QLatin1String("-");
    if (r.toStdout)
        r.save = {SavePolicy::Kind::Keep, {}, std::nullopt};
    else if (p.isSet(o.output))
        r.save = {SavePolicy::Kind::ToPath, QFileInfo(p.value(o.output)).absoluteFilePath(), std::nullopt};
    return checkCompare(p, o, row, r);
}

// --compare: how the received file stands to FILE, as cmp (or diff -u) says it.
int reportComparison(const TransferEnd& end, const ReceiveRequest& r) {
    if (!end.ok() || !end.compared) {
        say(end.reason.isEmpty() ? QStringLiteral("receive: nothing to compare") : end.reason);
        return kFailed;
    }
    const FileComparison& c = *end.compared;
    if (c.same)
        return kDone;
    if (r.diff) {
        const QByteArray diff =
            unifiedDiff(end.savedBytes, r.save.compare->bytes, QStringLiteral("received"), r.compareFile);
        std::fwrite(diff.constData(), 1, size_t(diff.size()), stdout);
        std::fflush(stdout);
    } else if (c.fileEnded || c.receivedEnded) {
        result(QStringLiteral("cmp: %1").arg(c.difference()));
    } else {
        result(QStringLiteral("received %1 differ: %2").arg(r.compareFile, c.difference()));
    }
    return kFailed;
}

// What became of the file: its path (or its bytes) on standard output, a failure in one line.
int report(const TransferEnd& end, const ReceiveRequest& r) {
    if (end.kind == TransferEnd::Kind::NotSaved && r.save.kind == SavePolicy::Kind::AnnouncedIn) {
        say(QStringLiteral("receive: %1; name it with --output").arg(end.reason));
        return kFailed;
    }
    if (end.kind != TransferEnd::Kind::Received && end.savedPath.isEmpty()) {
        say(end.reason);
        return kFailed;
    }
    if (r.toStdout) {
        const auto size = size_t(end.savedBytes.size());
        if (std::fwrite(end.savedBytes.constData(), 1, size, stdout) != size || std::fflush(stdout) != 0) {
            say(QStringLiteral("receive: cannot write to standard output"));
            return kFailed;
        }
    } else {
        result(end.savedPath);
    }
    if (end.kind != TransferEnd::Kind::Received) {
        say(end.reason); // saved as received, but not whole
        return kFailed;
    }
    return kDone;
}

} // namespace

int runReceive(const QStringList& args) {
    QCommandLineParser p;
    const ReceiveSwitches switches;
    switches.addTo(p);
    if (const auto status =
            parse(p, QStringLiteral("receive"),
                  QStringLiteral("Takes a file from the controller as the console's RecvIn does and "
                                 "saves it as SaveFile does: as text, as a hex file's bytes or as a "
                                 "PLC program."),
                  args, receiveTypesHelp()))
        return *status;
    ReceiveRequest r;
    if (const QString why = check(p, switches, r); !why.isEmpty())
        return usage(why);

    Session s(switches.common.read(p));
    if (const int status = s.open(); status != kDone)
        return status;
    Console& c = s.console();
    if (r.serviceOnly) {
        s.setAccessCode(r.accessCode);
        c.TskIdAccess();
        if (!c.state().PlcUploadUnlocked)
            return usage(QStringLiteral("receive: the access code is not the console's"));
    }
    const auto job = c.receive(r.type, r.save);
    QElapsedTimer since;
    since.start();
    s.runUntil([&] {
        s.progress(QStringLiteral("%1 bytes  %2 s")
                       .arg(c.filePage().view().LabelFileSize)
                       .arg(since.elapsed() / 1000));
        return job->done();
    });
    s.endProgress();
    if (!job->done()) {
        s.stopCleanly();
        return s.stopStatus();
    }
    s.close();
    return r.save.compare ? reportComparison(job->result(), r) : report(job->result(), r);
}

} // namespace velmorix::cli
