#include "core/app/console.h"
#include "core/base/ini_file.h"
#include "core/journal/sql_journal.h"
#include "core/link/port_names.h"
#include "gui/journal/journal_ui.h"
#include "gui/main/form_main.h"
#include "gui/qt_prompts.h"
#include "gui/widgets.h"
#include "platform/qt_clock.h"
#include "platform/stop_requests.h"
#include "serial/device_port.h"
#include "serial/port_facts.h"
#include "sim/builtin_port.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

namespace {

bool haveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform)
        return true;
#if defined(Q_OS_LINUX)
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
#else
    return true;
#endif
}

// Where Config/ and the text tables live: the working directory, as a terminal start has it; started
// from the desktop entry (--desktop), which has no meaningful one, the user's data folder.
QString workingFolder(const QStringList& arguments) {
    if (!velmorix::parseCommandLine(arguments).desktop)
        return QDir::currentPath();
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir;
}

// The journal [Journal] Database of the console's Config/Environment.ini names, else the default; a
// setting that names none is said, and the default is kept.
velmorix::JournalLocation journalLocation(const QString& folder, QString* problem) {
    QFile file(QDir(folder).filePath(QStringLiteral("Config/Environment.ini")));
    const QString setting = file.open(QIODevice::ReadOnly)
                                ? velmorix::journalSetting(velmorix::IniFile::fromText(file.readAll()))
                                : QString();
    QString error;
    if (auto location = velmorix::JournalLocation::parse(setting, &error))
        return *location;
    *problem = QStringLiteral("; journal: [Journal] Database: %1 ;").arg(error);
    return *velmorix::JournalLocation::parse({}, &error);
}

} // namespace

int main(int argc, char* argv[]) {
    if (!haveDisplay()) {
        std::fprintf(stderr, "velmorix: no display found (DISPLAY and WAYLAND_DISPLAY are not set).\n"
                             "Run it on a desktop session, or under a virtual display:\n"
                             "  xvfb-run -a scripts/run [ARGS]\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmorix"));
    QApplication::setDesktopFileName(QStringLiteral("velmorix"));
    velmorix::widgets::preferCjkFont();
    const QStringList arguments = QApplication::arguments().mid(1);

    velmorix::QtClock clock;
    velmorix::QtPrompts prompts;
    auto factory = [&clock](const QString& device) -> std::unique_ptr<velmorix::SerialPort> {
        if (device == velmorix::PortNames::kSimulator)
            return velmorix::sim::makeBuiltInPort(clock);
        return velmorix::makeDevicePort(device);
    };
    const QString folder = workingFolder(arguments);
    QString journalProblem;
    // Made before the console and gone after it: a transfer that ends while the window closes is kept.
    velmorix::SqlJournal journal(journalLocation(folder, &journalProblem), QStringLiteral("velmorix"));
    velmorix::Console console(clock, prompts, factory, folder);
    console.link().setPortInspector(velmorix::inspectPort);
    console.setJournal(&journal);
    journal.setProblemHandler(
        [&console](const QString& problem) { console.noteAside(QStringLiteral("; %1 ;").arg(problem)); });
    velmorix::TFormMain form(console);
    prompts.setParent(&form);
    new velmorix::JournalUi(console, form, journal.location());
    form.start(arguments);
    if (!journalProblem.isEmpty())
        console.noteAside(journalProblem);
    if (QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    // Ctrl-C and a polite kill close the window the normal way, so the settings are written.
    velmorix::StopRequests stop;
    QObject::connect(&stop, &velmorix::StopRequests::requested, &form, [&form] { form.close(); });
    const int status = app.exec();
    journal.setProblemHandler({});
    return status;
}
