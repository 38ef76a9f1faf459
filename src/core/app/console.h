#pragma once

#include "core/app/jobs.h"
#include "core/app/shell.h"
#include "core/base/hold.h"
#include "core/base/message_line.h"
#include "core/base/prompts.h"
#include "core/base/repaint_gate.h"
#include "core/base/state.h"
#include "core/files/file_page.h"
#include "core/files/file_receiver.h"
#include "core/files/file_sender.h"
#include "core/files/transfer.h"
#include "core/files/transfer_watch.h"
#include "core/journal/journal_record.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "core/mdi/mdi.h"
#include "core/pages/pages.h"
#include "core/poll/poll_cycle.h"
#include "core/service/service_mode.h"
#include "core/tables/text_tables.h"
#include "core/wire/wire_log_file.h"
#include "core/wire/wire_recorder.h"
#include "platform/clock.h"

#include <QObject>
#include <memory>
#include <optional>

namespace velmorix {

namespace test {
class ConsoleSeam;
}

// The console engine and its one public face: every operation of the main window, each handed to
// the area that owns it. The window forwards its events here and renders `state()` and the areas'
// views whenever `changed` is emitted; velmorix-cli drives the same operations without a window.
class Console : public QObject {
    Q_OBJECT
public:
    Console(Clock& clock, Prompts& prompts, PortFactory portFactory, QString workingDir);
    ~Console() override;

    // Window life.
    void FormCreate(const StartupInputs& inputs);
    void FormDestroy();

    // Comm page and link.
    void LinktoCNCButtonClick();
    void LabelBackClick();
    void RadioGroupComClick(CommGroup group, int index);
    void ButtonFileSelectParthClick();

    // Page buttons.
    void ButtonPlcBitClick();
    void ButtonPlcRCTClick();
    void ButtonVarUserClick();
    void ButtonVarSysClick();
    void ButtonCNCInfoClick();
    void ButtonMCMDataClick();
    void ButtonFileSvcClick();
    void ButtonHelpClick();
    void ButtonCloseClick();
    void RadioGroupMonitorClick(int index);

    // Monitor pages.
    void BitGroupClick(int tag); // BtnIbitClick … BtnTmbitClick by the button's tag
    void RctKindClick(int kind); // BtnRegisterClick, BtnCounterClick, BtnTimerClick
    void BtnPlcRct032Click(int offset);
    void StaticTextPlcRct0_10Click(int row);
    void ComboBox1000Change(int t, int h, int d);
    void ButtonPageUpClick();
    void ButtonPageDownClick();
    void StaticTextVar0_10Click(int row);
    void StaticTextCncInfo0_10Click(int row);

    // The key-in line as the operator edits it, and the MDI command line.
    void EditKeyInEdited(const QString& text);
    void EditKeyInKeyPress(QChar key);
    void ButtonMDIgoClick();
    void ButtonMemTextClick();
    void ButtonClearClick();
    void ButtonResetClick();

    // File service.
    void ButtonOpenFileClick();
    void ComboBoxSendFileChange(int item);
    void ComboBoxRecvFileChange(int item);
    void GroupBoxOperateMouseDown(FilePage::Row row);
    void CheckBoxFlashClick(bool checked);
    void ButtonSendOutClick();
    // "Send from this line" on a loaded DNC program's list: a run from that line (1 = the first).
    void sendDncFromLine(qint32 line);
    void ButtonRecvInClick();
    void ButtonSaveFileClick();

    // ---- The engine's own calls, the same steps without the window's dialogs (velmorix-cli; later a
    // service for many machines). Each transfer is a job with its progress and one result.

    // Opens the chosen port and links, as "Link to CNC" does; a failure is said in the result, not in
    // a message box.
    LinkResult linkToCnc();
    // Loads `path` as send type `type` (0-13) and sends it; no upload warning.
    std::shared_ptr<TransferJob> sendFile(const QString& path, int type, const SendOptions& options = {});
    // Asks the controller for a file of receive type `type` (0-24) and saves it by the policy.
    std::shared_ptr<TransferJob> receive(int type, const SavePolicy& save = {});
    // One MDI block and one value write: done when the controller's status after it says whether it
    // took it (a new error number, or none).
    std::shared_ptr<CommandJob> mdi(const QString& text);
    std::shared_ptr<CommandJob> writeValue(qint32 number, qint32 value);
    // Subscribes to these variables instead of a page's block (at most 32 besides the axes, the type
    // and version words and the serial number, which every frame carries); where each one stands.
    QList<WatchedValue> watch(const QList<qint32>& variables);
    // Reset, as its button does.
    void reset();
    // Ends what runs so the controller is not left waiting inside a file: a body under way ends with
    // the reset signal, a send not yet begun with the abort mark, a requested receive with a link
    // reset. Never waits for a pause.
    void breakOff();
    // The "TSK ID" access without the status bar; the code comes from Prompts::askId.
    void TskIdAccess();
    // Without a window: the engine set up from explicit settings, ready to link.
    void setUp(const EngineSetup& setup);
    // Whoever waits on any transfer (the window's too) hears how it ended.
    void setTransferObserver(std::function<void(const TransferEnd&)> observer) {
        m_transferObserver = std::move(observer);
    }

    // Every transfer's end becomes a record here, whichever face started it; nullptr: none is kept.
    void setJournal(TransferJournal* journal) { m_journal = journal; }
    // A note beside what the key-in line shows ("; journal: … ;"): it replaces a console note, and
    // follows a verdict or what the operator typed rather than wiping it out.
    void noteAside(const QString& note);

    // The status bar's hidden service functions: a press at X with panels 0 to 3 as wide as given.
    void StatusBar1MouseDown(int x, const std::array<int, 4>& widths, int barWidth);

    void SetOperationEnabled(bool enabled);

    // What the window shows.
    const ConsoleState& state() const { return m_state; }
    const MessageLine& messageLine() const { return m_message; }
    const Pages& pages() const { return m_pages; }
    const FilePage& filePage() const { return m_filePage; }
    const Transfer& transfer() const { return m_transfer; }
    const FileSender& sender() const { return m_sender; }
    const FileReceiver& receiver() const { return m_receiver; }
    const TextTables& tables() const { return m_tables; }
    QString SetupCodeText() const { return m_shell.SetupCodeText(); }
    int NameLabelChars() const { return m_shell.NameLabelChars(); }
    qint64 repaints() const { return m_repaint.repaints(); }
    // A pause holds the console; operator events wait for its end.
    bool paused() const { return m_hold.holding(); }
    // What waits for the pause to end: operator events and further pauses.
    qsizetype heldWork() const { return m_deferred.size() + m_hold.queuedPauses(); }

    // What crossed the port, from the first link on: every port the engine opens is recorded here.
    WireRecorder& wireLog() { return m_wireLog; }
    // Writes the record to a file as it fills, from now until the engine goes ("-": standard
    // output). False with the reason in *error when the file cannot be written.
    bool writeWireLog(const QString& path, QString* error);

    // The areas the program and the tools drive directly.
    Link& link() { return m_link; }
    PollCycle& poll() { return m_poll; }
    Timer& Timer1() { return *m_timer1; }
    Timer& Timer2() { return *m_timer2; }
    Timer& Timer3() { return *m_timer3; }
    Timer& TimerMdi_go() { return *m_timerMdi; }

signals:
    void changed();
    // A status frame was accepted (the live values are fresh).
    void statusAccepted();
    // A transfer ended, the window's or a job's: its result.
    void transferFinished(const velmorix::TransferEnd& result);

private:
    friend class test::ConsoleSeam;

    // An operator's event. During a pause it waits, as a window blocked by the pause would replay it
    // afterwards; so it is kept by value.
    template <typename F> void run(F f) {
        if (m_hold.holding()) {
            m_deferred.push_back(std::move(f));
            return;
        }
        m_repaint.operatorCall(f);
    }
    template <typename F> void runTimed(F&& f) { m_repaint.timedCall(std::forward<F>(f)); }
    void runDeferred();
    void onPortError(const QString& text);
    void Timer1Timer();
    void wireAreas();
    void transferEnded(TransferEnd& end);
    // The journal's record: what is known when a transfer begins, completed when it ends.
    void recordBegan(bool sending);
    void recordEnded(TransferEnd& end);
    // The engine's own calls: their pending steps.
    void startLoadedSend();
    void saveReceived(TransferEnd& end);
    void checkCommands(bool frameAccepted);
    std::shared_ptr<TransferJob> newJob(bool window);
    std::shared_ptr<TransferJob> failedJob(const QString& why);

    Clock& m_clock;
    Prompts& m_prompts;
    WireRecorder m_wireLog;
    std::unique_ptr<WireLogFile> m_wireLogFile; // goes before the record, after the port
    RepaintGate m_repaint;
    ConsoleState m_state;
    MessageLine m_message;
    Hold m_hold;
    // The timers come first, so every area is handed the ones it drives.
    std::unique_ptr<Timer> m_timer1;
    std::unique_ptr<Timer> m_timer2;
    std::unique_ptr<Timer> m_timer3;
    std::unique_ptr<Timer> m_timerMdi;
    std::unique_ptr<Timer> m_loadTimer; // slices of a file load
    std::unique_ptr<Timer> m_listTimer; // slices of a received file's list
    TextTables m_tables;
    Transfer m_transfer;
    Link m_link;
    Watchdog m_watchdog;
    TransferWatch m_transferWatch;
    PollCycle m_poll;
    Pages m_pages;
    FilePage m_filePage;
    Mdi m_mdi;
    FileSender m_sender;
    FileReceiver m_receiver;
    ServiceMode m_service;
    Shell m_shell;
    QList<std::function<void()>> m_deferred;
    std::function<void(const TransferEnd&)> m_transferObserver;
    TransferJournal* m_journal = nullptr;
    std::optional<JournalRecord> m_record; // the transfer under way
    qint64 m_recordStartUs = 0;

    // The transfer under way, and what its caller asked for.
    std::shared_ptr<TransferJob> m_job;
    bool m_jobFromWindow = true;
    std::optional<SendOptions> m_sendAfterLoad;
    std::optional<SavePolicy> m_savePolicy;
    struct PendingCommand {
        std::shared_ptr<CommandJob> job;
        int errorBefore = 0;
        bool crossed = false;
        int framesAfter = 0;
        int ticks = 0;
    };
    QList<PendingCommand> m_commands;
};

} // namespace velmorix
