// Renders the console window fed by the built-in virtual controller on the offscreen platform and
// saves it as PNG files, so the pictures in the README can be remade after every change.
//   velmorix-screenshot OUTPUT-DIR
#include "core/app/console.h"
#include "gui/main/form_main.h"
#include "gui/main/wire_log_window.h"
#include "gui/qt_prompts.h"
#include "gui/widgets.h"
#include "platform/qt_clock.h"
#include "sim/builtin_port.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <array>
#include <cstdio>

namespace {

void runFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget& widget, const QString& dir, const QString& name) {
    const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
    if (!widget.grab().save(path)) {
        std::fprintf(stderr, "velmorix-screenshot: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    velmorix::widgets::preferCjkFont();
    if (argc != 2) {
        std::fprintf(stderr, "usage: velmorix-screenshot OUTPUT-DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    // A working directory of its own, so the tables and settings of the caller stay untouched.
    QTemporaryDir work;
    velmorix::QtClock clock;
    velmorix::QtPrompts prompts;
    velmorix::Console console(
        clock, prompts, [&clock](const QString&) { return velmorix::sim::makeBuiltInPort(clock); },
        work.path());
    velmorix::TFormMain form(console);
    prompts.setParent(&form);
    form.start({QStringLiteral("--simulator"), QStringLiteral("142720"), QStringLiteral("GO")});
    form.show();
    runFor(1500);
    // The live panel alone; the pages below show the whole window.
    bool ok = save(*form.control(QStringLiteral("PanelCoordinate")), out, QStringLiteral("live-panel"));
    struct Shot {
        void (velmorix::Console::*open)();
        const char* name;
    };
    const Shot shots[] = {
        {&velmorix::Console::ButtonPlcBitClick, "plc-bits"},
        {&velmorix::Console::ButtonPlcRCTClick, "registers"},
        {&velmorix::Console::ButtonVarUserClick, "user-variables"},
        {&velmorix::Console::ButtonCNCInfoClick, "cnc-information"},
        {&velmorix::Console::ButtonFileSvcClick, "file-service"},
        {&velmorix::Console::ButtonHelpClick, "help"},
    };
    for (const Shot& s : shots) {
        (console.*s.open)();
        runFor(800);
        ok = save(form, out, QString::fromLatin1(s.name)) && ok;
        if (s.open == &velmorix::Console::ButtonFileSvcClick) {
            // A program taken from the controller, as an operator receives it.
            console.ComboBoxRecvFileChange(0);
            console.ButtonRecvInClick();
            runFor(2500);
            ok = save(form, out, QStringLiteral("file-receive")) && ok;
            // F12: the exchange of that receive, from its announcement on.
            velmorix::WireLogWindow* wire = form.wireLogWindow();
            wire->resize(1040, 560);
            form.showWireLog();
            runFor(400);
            wire->setPaused(true);
            const velmorix::WireLogModel& rows = wire->model();
            int from = 0;
            for (int r = 0; r < rows.rowCount(); ++r)
                if (rows.row(r).name.startsWith(QStringLiteral("named value write")))
                    from = std::max(r - 3, 0);
            wire->view()->scrollTo(rows.index(from, 0), QAbstractItemView::PositionAtTop);
            wire->setPaused(false); // rows go on arriving below; the view stays where it is
            runFor(100);
            ok = save(*wire, out, QStringLiteral("wire-log")) && ok;
            wire->hide();
        }
    }
    // The controller's clock, from the status bar's last panel; the dialog is modal, so it is
    // photographed and closed from the event loop it runs.
    QTimer::singleShot(1500, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            ok = save(*dialog, out, QStringLiteral("clock")) && ok;
            dialog->close();
        }
    });
    {
        const std::array<int, 4> widths{84, 200, 200, 150};
        console.StatusBar1MouseDown(84 + 200 + 200 + 150 + 10, widths, form.width());
    }
    console.LabelBackClick();
    runFor(200);
    ok = save(form, out, QStringLiteral("comm")) && ok;
    return ok ? 0 : 1;
}
