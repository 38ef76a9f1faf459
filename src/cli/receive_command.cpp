// velmorix-cli receive: a file from the controller, saved as SaveFile saves it.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/files/file_types.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstdio>

namespace velmorix::cli {

int runReceive(const QStringList& args) {
    QCommandLineParser p;
    CommonOptions common;
    common.addTo(p);
    const QCommandLineOption type(QStringLiteral("type"), QStringLiteral("The receive type (below)."),
                                  QStringLiteral("TYPE"));
    const QCommandLineOption output(
        QStringLiteral("output"),
        QStringLiteral("Save to PATH, overwriting what is there; - writes the file to "
                       "standard output. Without it the file is saved under the name "
                       "the controller announced, in the current folder, and an "
                       "existing file is never overwritten."),
        QStringLiteral("PATH"));
    const QCommandLineOption accessCode(QStringLiteral("access-code"),
                                        QStringLiteral("U:PLC only: the console's service access code."),
                                        QStringLiteral("CODE"));
    p.addOptions({type, output, accessCode});
    if (const auto status =
            parse(p, QStringLiteral("receive"),
                  QStringLiteral("Takes a file from the controller as the console's RecvIn does and "
                                 "saves it as SaveFile does: as text, as a hex file's bytes or as a "
                                 "PLC program."),
                  args, receiveTypesHelp()))
        return *status;
    const auto item = findRecvFileType(p.value(type));
    if (!p.isSet(type) || !item)
        return usage(
            QStringLiteral("receive: unknown type %1 (0-24 or an item such as S:999)").arg(p.value(type)));
    const RecvFileType& row = *recvFileType(*item);
    if (row.serviceOnly && !p.isSet(accessCode))
        return usage(QStringLiteral("receive: %1 needs --access-code").arg(QString::fromLatin1(row.item)));
    if (!p.positionalArguments().isEmpty())
        return usage(QStringLiteral("receive: unexpected %1").arg(p.positionalArguments().first()));
    const bool toStdout = p.value(output) == QLatin1String("-");
    SavePolicy save{SavePolicy::Kind::AnnouncedIn, QDir::currentPath()};
    if (toStdout)
        save = {SavePolicy::Kind::Keep, {}};
    else if (p.isSet(output))
        save = {SavePolicy::Kind::ToPath, QFileInfo(p.value(output)).absoluteFilePath()};

    Session s(common.read(p));
    if (const int status = s.open(); status != kDone)
        return status;
    Console& c = s.console();
    if (row.serviceOnly) {
        s.setAccessCode(p.value(accessCode));
        c.TskIdAccess();
        if (!c.state().PlcUploadUnlocked)
            return usage(QStringLiteral("receive: the access code is not the console's"));
    }
    const auto job = c.receive(*item, save);
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
    const TransferEnd& end = job->result();
    if (end.kind == TransferEnd::Kind::NotSaved && save.kind == SavePolicy::Kind::AnnouncedIn) {
        say(QStringLiteral("receive: %1; name it with --output").arg(end.reason));
        return kFailed;
    }
    if (end.kind != TransferEnd::Kind::Received && end.savedPath.isEmpty()) {
        say(end.reason);
        return kFailed;
    }
    if (toStdout) {
        const bool written = std::fwrite(end.savedBytes.constData(), 1, size_t(end.savedBytes.size()),
                                         stdout) == size_t(end.savedBytes.size());
        if (!written || std::fflush(stdout) != 0) {
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

} // namespace velmorix::cli
