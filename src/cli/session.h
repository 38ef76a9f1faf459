#pragma once

#include "core/app/console.h"
#include "core/base/prompts.h"
#include "core/wire/wire_log_file.h"
#include "platform/qt_clock.h"

#include <QEventLoop>
#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace velmorix::cli {

// Exit statuses of every command.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kInterrupted = 130; // Ctrl-C
inline constexpr int kTerminated = 143;  // SIGTERM

// The options every linking command shares.
struct LinkOptions {
    QString port; // a COM name of Config/Environment.ini, a device path, or "simulator"
    QString setup = QStringLiteral("142720");
    bool quiet = false;        // no progress line
    QString wireLog;           // the console's wire log goes here
    QString simLog;            // with the built-in controller: its wire log goes here
    QStringList simFaults;     // with the built-in controller: faults as velmorix-sim takes them
    int controllerBuffer = -1; // DNC: the controller's buffer in bytes; -1: as Config/Environment.ini says
};

// What the console asks of an operator, answered from the command line.
class CliPrompts final : public Prompts {
public:
    void showMessage(const QString& text) override;
    std::optional<QString> chooseOpenFile(const FileDialogRequest& request) override;
    std::optional<qint32> askNewValue(const NewValueRequest&) override { return std::nullopt; }
    // Warnings are the caller's business.
    UploadWarningAnswer askUploadWarning() override { return {true, true}; }
    std::optional<QString> chooseSaveFile(const FileDialogRequest& request) override;
    IdAnswer askId(const QString&, const QString&) override { return {!accessCode.isEmpty(), accessCode}; }
    std::optional<LoginAnswer> askLogin() override { return std::nullopt; }
    std::optional<Settings> askRanges(const Settings&) override { return std::nullopt; }
    std::optional<qint32> askComStart(qint32) override { return std::nullopt; }
    void showClock(const ClockDialog&) override {}
    // The modal preamble of a run from a later line goes out only when asked for (--preamble).
    PreambleAnswer askPreamble(qint32, const QList<QByteArray>& blocks) override {
        preambleOffered = blocks;
        return sendPreamble ? PreambleAnswer::Send : PreambleAnswer::Skip;
    }

    QString openPath;
    // The save dialog's answer: the proposal it is given, with its folder and default extension.
    std::function<std::optional<QString>(const FileDialogRequest&)> saveAnswer;
    QString accessCode;
    QStringList messages;
    bool sendPreamble = false;
    QList<QByteArray> preambleOffered;
};

// The console engine linked to a controller, driven from the command line: the same Console the
// window drives, with QtClock and the real or built-in port.
class Session {
public:
    explicit Session(LinkOptions options);
    ~Session();

    // Builds the engine, links and waits for the controller's DSR. On failure the reason is in
    // `error` and the status to exit with is returned.
    int open(QString* error);

    Console& console() { return *m_console; }
    CliPrompts& prompts() { return m_prompts; }
    QtClock& clock() { return m_clock; }
    const LinkOptions& options() const { return m_options; }

    // Runs the event loop until `done` holds, Ctrl-C, or `timeoutMs` (0: no bound). Returns whether
    // `done` held.
    bool runUntil(const std::function<bool()>& done, int timeoutMs = 0);
    bool interrupted() const { return m_interrupted; }
    // The exit status of a command that a signal ended: 130 for Ctrl-C, 143 for SIGTERM.
    int interruptedStatus() const;
    // Waits for the next status frame the console accepts; false when none comes in time.
    bool waitForStatus(int timeoutMs);
    // Whatever is written has left the port (bounded wait).
    void drain(int timeoutMs = 5000);
    // After Ctrl-C: the transfer is broken off so the controller is not left inside a file, the last
    // bytes go out, the port closes.
    void stopCleanly();
    void close();

    // Progress on standard error, rewritten in place, while it is a terminal and not --quiet.
    void progress(const QString& line);
    void endProgress();

private:
    std::unique_ptr<SerialPort> makePort(const QString& device);

    LinkOptions m_options;
    QtClock m_clock;
    CliPrompts m_prompts;
    std::unique_ptr<Console> m_console;
    std::unique_ptr<WireLogFile> m_simLog; // the built-in controller's side; goes before it
    static constexpr int kLookMs = 20;
    bool m_interrupted = false;
    int m_signal = 0;
    QEventLoop* m_loop = nullptr; // the loop runUntil runs, which a signal ends at once
    bool m_progressShown = false;
    bool m_terminal = false;
};

// Parses "12021-12029,10991" into the variables in order.
std::optional<QList<qint32>> parseVariableList(const QString& text);

} // namespace velmorix::cli
