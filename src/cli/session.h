#pragma once

#include "cli/cli.h"
#include "core/app/console.h"
#include "core/base/prompts.h"
#include "core/journal/sql_journal.h"
#include "core/wire/wire_log_file.h"
#include "platform/qt_clock.h"
#include "platform/stop_requests.h"

#include <QString>
#include <functional>
#include <memory>

namespace velmorix::cli {

// The console engine linked to a controller for one command: the same Console the window drives,
// with QtClock and the real or built-in port, driven through its own calls. It never acts out a
// click; the few dialogs the engine may still raise get no answer, and its messages are kept.
class Session {
public:
    explicit Session(LinkOptions options);
    ~Session();

    // Builds the engine, links and waits for the controller's DSR. On failure the exit status is
    // returned and the reason has been said in one line.
    int open();
    // Also waits for the controller's first status frame: what it already reports is the baseline a
    // send, a write or an MDI command is judged against.
    int openAndHearStatus();

    Console& console() { return *m_console; }
    // The service access code the engine asks for (receive type U:PLC).
    void setAccessCode(const QString& code);
    // Runs the event loop, asleep between events, until `done` holds, a stop request, or `timeoutMs`
    // (0: no bound). Returns whether `done` held.
    bool runUntil(const std::function<bool()>& done, int timeoutMs = 0);
    // Waits for the next status frame the console accepts; false when none comes in time.
    bool waitForStatus(int timeoutMs);
    bool stopRequested() const { return m_stopStatus != 0; }
    // 130 after Ctrl-C, 143 after SIGTERM.
    int stopStatus() const { return m_stopStatus; }
    // Until the last byte written has crossed the line (bounded).
    void drain(int timeoutMs = 5000);
    // After a stop request: what runs is broken off so the controller is never left waiting inside
    // a file, the last bytes go out, the port closes.
    void stopCleanly();
    // Closes the port once the last byte has crossed and the line has stood still for kSettleMs.
    void close();
    static constexpr int kSettleMs = 200;

    // Progress on standard error, rewritten in place, while it is a terminal and not --quiet.
    void progress(const QString& line);
    void endProgress();

    static constexpr int kStatusWaitMs = 5000;

private:
    // Dialogs are the window's: here they get no answer, and messages are said as they come.
    class Prompts;
    std::unique_ptr<SerialPort> makePort(const QString& device);
    // Where the port name leads and how the engine is set up; nothing on failure, said.
    std::optional<EngineSetup> engineSetup(int* status);

    LinkOptions m_options;
    QtClock m_clock;
    std::unique_ptr<Prompts> m_prompts;
    StopRequests m_stop;
    std::unique_ptr<Console> m_console;
    std::optional<JournalLocation> m_journalLocation;
    std::unique_ptr<SqlJournal> m_journal; // every transfer's record; goes before the console
    std::unique_ptr<WireLogFile> m_simLog; // the built-in controller's side; goes before it
    int m_stopStatus = 0;
    QEventLoop* m_loop = nullptr; // the loop runUntil runs, which a stop request ends at once
    bool m_progressShown = false;
    bool m_terminal = false;
};

// Parses "12021-12029,10991" into the variables in order.
std::optional<QList<qint32>> parseVariableList(const QString& text);

} // namespace velmorix::cli
