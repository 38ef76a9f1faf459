// velmorix-cli mdi: one MDI block, done once the controller's status says it took it.
#include "cli/commands.h"
#include "cli/session.h"

#include "core/mdi/mdi.h"

namespace velmorix::cli {

int runMdi(const QStringList& args) {
    QCommandLineParser p;
    CommonOptions common;
    common.addTo(p);
    p.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("One block, e.g. \"G01 X10 Y5\"."));
    if (const auto status =
            parse(p, QStringLiteral("mdi"),
                  QStringLiteral("Sends one MDI command exactly as the console's MDI line does "
                                 "(blanks and anything after \";\" removed); succeeds when the "
                                 "controller's status after it carries no new error number."),
                  args))
        return *status;
    if (p.positionalArguments().size() != 1)
        return usage(QStringLiteral("mdi: give exactly one COMMAND (quote it)"));
    const QString text = p.positionalArguments().first();
    if (Mdi::commandOf(text).isEmpty())
        return usage(QStringLiteral("mdi: nothing to send in \"%1\"").arg(text));

    Session s(common.read(p));
    if (const int status = s.openAndHearStatus(); status != kDone)
        return status;
    const auto job = s.console().mdi(text);
    if (!s.runUntil([&job] { return job->done(); }))
        return s.stopStatus();
    if (!job->result().ok) {
        say(job->result().text);
        return kFailed;
    }
    result(QString::fromLatin1(Mdi::commandOf(text)));
    return kDone;
}

} // namespace velmorix::cli
