#include "core/app/console.h"

#include "core/files/modal_state.h"
#include "core/wire/recording_port.h"

namespace velmorix {

Console::Console(Clock& clock, Prompts& prompts, PortFactory portFactory, QString workingDir)
    : m_clock(clock), m_prompts(prompts), m_repaint(clock,
                                                    [this] {
                                                        // While a pause holds the console the window
                                                        // shows it is busy.
                                                        m_state.view.busy = m_hold.holding();
                                                        emit changed();
                                                    }),
      m_hold(clock), m_timer1(m_hold.createTimer(1, [this] { runTimed([this] { Timer1Timer(); }); })),
      m_timer2(m_hold.createTimer(100,
                                  [this] {
                                      runTimed([this] {
                                          m_poll.Timer2Timer();
                                          m_sender.verdictTick();
                                          checkCommands(false);
                                      });
                                  })),
      m_timer3(m_hold.createTimer(1000, [this] { runTimed([this] { m_transferWatch.Timer3Timer(); }); })),
      m_timerMdi(
          m_hold.createTimer(Mdi::kLineMs, [this] { runTimed([this] { m_mdi.TimerMdi_goTimer(); }); })),
      m_loadTimer(m_hold.createTimer(0,
                                     [this] {
                                         runTimed([this] {
                                             m_filePage.loadStep();
                                             startLoadedSend();
                                         });
                                     })),
      m_listTimer(m_hold.createTimer(0, [this] { runTimed([this] { m_receiver.listStep(); }); })),
      m_link(m_state, prompts, m_hold, clock, recordingFactory(std::move(portFactory), m_wireLog, clock)),
      m_transferWatch(m_state, m_watchdog, m_transfer, m_message, m_link, *m_timer3, *m_timer1,
                      {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); }}),
      m_poll(m_state, m_link, m_transfer, m_message, clock, m_tables.ErrorTexts),
      m_pages(
          m_state, m_link, m_transfer, m_message, prompts, m_tables,
          {.resetSignalThen = [this](std::function<void()> then) { m_link.SendResetSignal(std::move(then)); },
           .enableMdiTimer = [this](bool on) { m_timerMdi->setEnabled(on); }}),
      m_filePage(m_state, m_message, prompts, m_transfer, *m_loadTimer,
                 {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); }}),
      m_mdi(m_state, m_message, m_link, m_transfer, m_watchdog, m_filePage, m_hold, *m_timerMdi, *m_timer1),
      m_sender(m_state, m_message, prompts, m_link, m_transfer, m_watchdog, m_filePage, m_mdi, m_hold, clock,
               {.Timer1 = *m_timer1, .Timer2 = *m_timer2, .Timer3 = *m_timer3, .TimerMdi_go = *m_timerMdi},
               m_tables.ErrorTexts, {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); }}),
      m_receiver(m_state, m_message, prompts, m_link, m_transfer, m_watchdog, m_filePage, *m_listTimer,
                 {.Timer1 = *m_timer1, .Timer2 = *m_timer2, .Timer3 = *m_timer3, .TimerMdi_go = *m_timerMdi},
                 {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); }}),
      m_service(m_state, prompts, m_link, m_hold, m_transfer, m_filePage, clock,
                {.setRtcClicked = [this] { run([this] { m_service.SetRtc(); }); }}),
      m_shell(m_state, m_message, prompts, m_link, m_pages, m_tables,
              {.Timer1 = *m_timer1, .Timer2 = *m_timer2, .Timer3 = *m_timer3, .TimerMdi_go = *m_timerMdi},
              std::move(workingDir),
              {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); },
               .writeWireLog = [this](const QString& path,
                                      QString* error) { return writeWireLog(path, error); }}) {
    wireAreas();
}

void Console::wireAreas() {
    m_hold.setResumeHandler([this] { m_repaint.stale(); });
    // A pause may begin inside an operator's call that a modal dialog holds open: the window hears of
    // it from the repaint timer, so the busy cursor shows in every pause.
    m_hold.setHoldHandler([this] { m_repaint.stale(); });
    m_hold.setReleaseHandler([this] { runDeferred(); });
    m_transfer.setHooks({
        .gathered = [this](qsizetype size) { m_filePage.showSize(QString::number(size)); },
        .announced = [this](const QByteArray& name) { m_filePage.showAnnouncedName(name); },
        .bodyBegins = [this] { m_watchdog.feed(); },
        .bodyArriving = [this] { m_receiver.bodyArriving(); },
        .readAcknowledged = [this] { m_sender.startPump(); },
        .began =
            [this](bool sending) {
                if (!m_job)
                    m_job = newJob(true);
                m_job->setRunning();
                recordBegan(sending);
            },
        .ended = [this](TransferEnd& end) { transferEnded(end); },
    });
    m_link.setHooks({
        .ringReset = [this] { m_poll.ring().reset(); },
        .dncMonitorRequest =
            [this] {
                m_timer1->setEnabled(true);
                m_timer3->setEnabled(true);
            },
        .portError = [this](const QString& text) { runTimed([&] { onPortError(text); }); },
        .lineChanged = [this] { m_repaint.stale(); },
        .ownedByRun =
            [this](const QString& what) {
                m_message.note(QStringLiteral("; .. DNC Running --> %1 Refused .. ;").arg(what));
            },
        .dncRunning = [this] { return m_transfer.dncSending(); },
        .runOwnsLine = [this] { return m_transfer.dncOwnsLine(); },
        // A device server's answers come a moment after the link: the note gives way to what the
        // operator typed meanwhile and to a verdict, as progress does.
        .lateNote = [this](const QString& note) { runTimed([&] { m_message.progress(note); }); },
    });
    m_poll.setHooks({
        .blankPage = [this] { m_pages.blank(); },
        .refreshPage =
            [this] {
                m_pages.refresh();
                m_sender.statusAccepted();
                checkCommands(true);
                emit statusAccepted();
            },
    });
}

Console::~Console() = default;

bool Console::writeWireLog(const QString& path, QString* error) {
    auto file = WireLogFile::open(m_wireLog, m_clock, path, error);
    if (!file)
        return false;
    m_wireLogFile = std::move(file);
    return true;
}

void Console::FormCreate(const StartupInputs& inputs) {
    run([=, this] { m_shell.FormCreate(inputs); });
}
void Console::FormDestroy() {
    // The window is going: nothing waits, not even for a pause.
    m_repaint.operatorCall([this] { m_shell.FormDestroy(); });
}
void Console::setUp(const EngineSetup& setup) {
    run([=, this] { m_shell.setUp(setup); });
}

void Console::LinktoCNCButtonClick() {
    run([=, this] { m_shell.LinktoCNCButtonClick(); });
}
void Console::LabelBackClick() {
    run([=, this] { m_shell.LabelBackClick(); });
}
void Console::RadioGroupComClick(CommGroup group, int index) {
    run([=, this] { m_shell.RadioGroupComClick(group, index); });
}
void Console::ButtonFileSelectParthClick() {
    run([=, this] { m_shell.ButtonFileSelectParthClick(); });
}

void Console::ButtonPlcBitClick() {
    run([=, this] { m_pages.ButtonPlcBitClick(); });
}
void Console::ButtonPlcRCTClick() {
    run([=, this] { m_pages.ButtonPlcRCTClick(); });
}
void Console::ButtonVarUserClick() {
    run([=, this] { m_pages.ButtonVarUserClick(); });
}
void Console::ButtonVarSysClick() {
    run([=, this] { m_pages.ButtonVarSysClick(); });
}
void Console::ButtonCNCInfoClick() {
    run([=, this] { m_pages.ButtonCNCInfoClick(); });
}
void Console::ButtonMCMDataClick() {
    run([=, this] { m_pages.ButtonMCMDataClick(); });
}
void Console::ButtonFileSvcClick() {
    run([=, this] { m_pages.ButtonFileSvcClick({}); });
}
void Console::ButtonHelpClick() {
    run([=, this] { m_pages.ButtonHelpClick(); });
}
void Console::ButtonCloseClick() {
    run([=, this] { m_state.view.closeRequested = true; });
}
void Console::RadioGroupMonitorClick(int index) {
    run([=, this] { m_state.block.showAxes(index); });
}

void Console::BitGroupClick(int tag) {
    run([=, this] { m_pages.plcBits().selectBitGroup(tag); });
}
void Console::RctKindClick(int kind) {
    run([=, this] { m_pages.registers().selectRctKind(kind); });
}
void Console::BtnPlcRct032Click(int offset) {
    run([=, this] { m_pages.registers().BtnPlcRct032Click(offset); });
}
void Console::StaticTextPlcRct0_10Click(int row) {
    run([=, this] { m_pages.registers().StaticTextPlcRct0_10Click(row); });
}
void Console::ComboBox1000Change(int t, int h, int d) {
    run([=, this] { m_pages.variables().ComboBox1000Change(t, h, d); });
}
void Console::ButtonPageUpClick() {
    run([=, this] { m_pages.variables().ButtonPageUpClick(); });
}
void Console::ButtonPageDownClick() {
    run([=, this] { m_pages.variables().ButtonPageDownClick(); });
}
void Console::StaticTextVar0_10Click(int row) {
    run([=, this] { m_pages.variables().StaticTextVar0_10Click(row); });
}
void Console::StaticTextCncInfo0_10Click(int row) {
    run([=, this] { m_pages.variables().StaticTextCncInfo0_10Click(row); });
}

void Console::EditKeyInEdited(const QString& text) {
    // The window already shows what the operator typed; every key restarts the line's ten seconds.
    // Keys typed during a pause wait for its end, with the clicks, as a blocked window keeps them.
    auto edited = [=, this] {
        m_message.typed(text);
        m_timerMdi->restart();
    };
    if (m_hold.holding())
        m_deferred.push_back(edited);
    else
        edited();
}
void Console::EditKeyInKeyPress(QChar key) {
    run([=, this] { m_mdi.EditKeyInKeyPress(key); });
}
void Console::ButtonMDIgoClick() {
    run([=, this] { m_mdi.ButtonMDIgoClick(); });
}
void Console::ButtonMemTextClick() {
    run([=, this] { m_mdi.ButtonMemTextClick(); });
}
void Console::ButtonClearClick() {
    run([=, this] { m_mdi.ButtonClearClick(); });
}
void Console::ButtonResetClick() {
    run([this] {
        m_sender.stopUpload();
        m_mdi.ButtonResetClick();
    });
}

void Console::ButtonOpenFileClick() {
    run([=, this] { m_filePage.ButtonOpenFileClick(); });
}
void Console::ComboBoxSendFileChange(int item) {
    run([=, this] { m_filePage.ComboBoxSendFileChange(item); });
}
void Console::ComboBoxRecvFileChange(int item) {
    run([=, this] { m_filePage.ComboBoxRecvFileChange(item); });
}
void Console::GroupBoxOperateMouseDown(FilePage::Row row) {
    run([=, this] { m_filePage.GroupBoxOperateMouseDown(row); });
}
void Console::CheckBoxFlashClick(bool checked) {
    run([=, this] { m_filePage.CheckBoxFlashClick(checked); });
}
void Console::ButtonSendOutClick() {
    run([this] { m_sender.ButtonSendOutClick(); });
}
void Console::sendDncFromLine(qint32 line) {
    run([=, this] {
        if (m_filePage.sendItem() != kDncTypeIndex || !m_filePage.fileListed() || m_transfer.active())
            return;
        // The state the lines before it built up is offered, never sent unasked.
        const QList<QByteArray> preamble = ModalState::before(*m_filePage.dncLines(), line).preamble();
        Prompts::PreambleAnswer answer = Prompts::PreambleAnswer::Skip;
        if (!preamble.isEmpty())
            answer = m_prompts.askPreamble(line, preamble);
        if (answer == Prompts::PreambleAnswer::Cancel)
            return;
        m_sender.setDncStart(line, answer == Prompts::PreambleAnswer::Send ? preamble : QList<QByteArray>());
        m_sender.ButtonSendOutClick();
    });
}
void Console::ButtonRecvInClick() {
    run([this] { m_receiver.ButtonRecvInClick(); });
}
void Console::ButtonSaveFileClick() {
    run([this] { m_receiver.ButtonSaveFileClick(); });
}

void Console::StatusBar1MouseDown(int x, const std::array<int, 4>& widths, int barWidth) {
    run([=, this] { m_service.StatusBar1MouseDown(x, widths, barWidth); });
}

void Console::TskIdAccess() {
    run([this] { m_service.tskAccess(); });
}

void Console::SetOperationEnabled(bool enabled) {
    m_state.view.controls.setAll(enabled);
}

void Console::onPortError(const QString& text) {
    m_timer2->setEnabled(false);
    // The poll stops with the port; values left standing would look live.
    m_poll.blankLiveDisplay();
    // A send waiting for the controller's word will not hear it now.
    m_sender.verdictTick();
    m_prompts.showMessage(QStringLiteral("Comm: ") + text);
}

void Console::Timer1Timer() {
    m_sender.Timer1Timer();
}

void Console::runDeferred() {
    while (!m_deferred.isEmpty() && !m_hold.holding())
        m_repaint.operatorCall(m_deferred.takeFirst());
    m_repaint.stale();
}

} // namespace velmorix
