// velmorix-cli reset: the console's Reset, from a script.
#include "cli/commands.h"
#include "cli/session.h"

namespace velmorix::cli {

int runReset(const QStringList& args) {
    QCommandLineParser p;
    CommonOptions common;
    common.addTo(p);
    if (const auto status =
            parse(p, QStringLiteral("reset"),
                  QStringLiteral("Sends the reset signal as the console's Reset button does (it "
                                 "stops the controller's axes and breaks off a program it is "
                                 "taking); succeeds once it has crossed the line."),
                  args))
        return *status;
    Session s(common.read(p));
    if (const int status = s.open(); status != kDone)
        return status;
    s.console().reset();
    // The reset signal and the pause after it.
    s.runUntil([&s] { return !s.console().paused(); }, 2000);
    s.drain();
    if (s.stopRequested())
        return s.stopStatus();
    result(QStringLiteral("reset"));
    return kDone;
}

} // namespace velmorix::cli
