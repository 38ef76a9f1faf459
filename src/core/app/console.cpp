#include "core/app/console.h"

#include <QDir>
#include <QFileInfo>

namespace velmorix {

namespace {
const QString kCommCaption = QStringLiteral("Velmorix\\CommPort.SetUp ");
} // namespace

Console::Console(Clock& clock, Prompts& prompts, PortFactory portFactory, QString workingDir)
    : m_clock(clock), m_prompts(prompts), m_workingDir(std::move(workingDir)), m_hold(clock),
      m_link(m_state, prompts, m_hold, std::move(portFactory)),
      m_watchdog(m_state, m_link,
                 {.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); },
                  .stopTimer3 = [this] { m_timer3->setEnabled(false); },
                  .stopTimer1 = [this] { m_timer1->setEnabled(false); }}),
      m_poll(m_state, m_link, clock, m_tables.ErrorTexts),
      m_pages(
          m_state, m_link, prompts, m_tables,
          {.resetSignalThen = [this](std::function<void()> then) { m_link.SendResetSignal(std::move(then)); },
           .enableMdiTimer = [this](bool on) { m_timerMdi->setEnabled(on); }}) {
    m_hold.setResumeHandler([this] { emit changed(); });
    m_timer1 = m_hold.createTimer(1, [this] { run([this] { Timer1Timer(); }); });
    m_timer2 = m_hold.createTimer(100, [this] { run([this] { m_poll.Timer2Timer(); }); });
    m_timer3 = m_hold.createTimer(1000, [this] { run([this] { m_watchdog.Timer3Timer(); }); });
    m_timerMdi = m_hold.createTimer(10000, [this] { run([this] { m_mdi->TimerMdi_goTimer(); }); });
    m_mdi = std::make_unique<Mdi>(m_state, m_link, m_hold, *m_timerMdi, *m_timer1);
    m_loadTimer = m_hold.createTimer(0, [this] { m_filePage->LoadStep(); });
    m_filePage = std::make_unique<FilePage>(
        m_state, prompts, *m_loadTimer,
        FilePage::Hooks{.setOperationEnabled = [this](bool on) { SetOperationEnabled(on); },
                        .changed = [this] { emit changed(); }});
    m_link.setHooks({
        .ringReset = [this] { m_poll.ring().reset(); },
        .dncMonitorRequest =
            [this] {
                m_timer1->setEnabled(true);
                m_timer3->setEnabled(true);
            },
        .portError = [this](const QString& text) { run([&] { onPortError(text); }); },
        .lineChanged = [this] { emit changed(); },
    });
    m_poll.setHooks({
        .blankPage = [this] { m_pages.Blank(); },
        .refreshPage = [this] { m_pages.Refresh(); },
        .receiveBody = {},
        .startSend = {},
        .portError = [this](const QString& text) { onPortError(text); },
    });
}

Console::~Console() = default;

QString Console::SetupCodeText() const {
    return velmorix::SetupCodeText(m_state.comm);
}

void Console::ReadSettings() {
    SettingsFile file(m_workingDir);
    m_settingsProblem.clear();
    m_state.env = file.read(&m_settingsProblem);
    m_link.setPortNames(PortNames(m_state.env.comPorts));
}

QString Console::tableDir() const {
    return QDir::fromNativeSeparators(m_state.view.EditSelectPath);
}

void Console::reportTableProblems(const QStringList& problems) {
    if (!problems.isEmpty())
        m_state.view.EditKeyIn =
            QStringLiteral("; ") + problems.join(QStringLiteral("; ")) + QStringLiteral(" ;");
}

void Console::LoadAllTables() {
    reportTableProblems(m_tables.LoadAllTables(tableDir(), m_state.env.ranges, m_nameLabelChars));
}

void Console::WriteSettings() {
    const QString problem = SettingsFile(m_workingDir).write(m_state.env);
    if (!problem.isEmpty())
        m_prompts.showMessage(QStringLiteral("The settings were not saved. ") + problem);
}

void Console::setCaptionToSetupCode() {
    m_state.view.caption = kCommCaption + SetupCodeText();
}

void Console::ButtonOpenFileClick() {
    run([&] { m_filePage->ButtonOpenFileClick(); });
}
void Console::ComboBoxSendFileChange(int item) {
    run([&] { m_filePage->ComboBoxSendFileChange(item); });
}
void Console::ComboBoxRecvFileChange(int item) {
    run([&] { m_filePage->ComboBoxRecvFileChange(item); });
}
void Console::GroupBoxOperateMouseDown(FilePage::Row row) {
    run([&] { m_filePage->GroupBoxOperateMouseDown(row); });
}
void Console::CheckBoxFlashClick(bool checked) {
    run([&] { m_state.CheckBoxFlash = checked; });
}

void Console::SetOperationEnabled(bool enabled) {
    m_state.view.controls.setAll(enabled);
}

void Console::FormCreate(const StartupInputs& inputs) {
    run([&] {
        MainView& view = m_state.view;
        ReadSettings(); // the Com items follow ComStartNum; the selection stays
        view.page = NotebookPage::Comm;
        m_nameLabelChars = inputs.nameLabelChars;

        SetOperationEnabled(false);
        view.ButtonResetEnabled = false;
        view.ButtonClearEnabled = false;
        view.EditKeyIn = QStringLiteral("; Velmorix StartUp ... ;");
        // What was wrong with the settings file goes on the message line; nothing is lost by it.
        if (!m_settingsProblem.isEmpty())
            view.EditKeyIn = QStringLiteral("; ") + m_settingsProblem + QStringLiteral(" ;");
        m_timer1->setEnabled(false);
        m_timer2->setEnabled(false);
        m_timer3->setEnabled(false);
        m_timerMdi->setEnabled(true);

        view.statusPanels[0] = QStringLiteral("Modify Var");
        view.statusPanels[2] = QStringLiteral("Modify Commport Address");
        view.statusPanels[3] = QStringLiteral("V2.10 2012-0601");

        view.EditSelectPath = QDir::toNativeSeparators(m_workingDir);
        m_state.OpenDialogDir = m_workingDir;
        LoadAllTables();

        const CommandLine cl = ParseCommandLine(inputs.arguments);
        if (cl.simulator) {
            PortNames names(m_state.env.comPorts);
            names.setOverride(PortNames::kSimulator);
            m_link.setPortNames(names);
        }
        const bool valid = ApplySetupCode(cl.setupCode, m_state.comm);

        m_state.seq = SequenceState{};
        if (cl.startWordIsGo() && valid)
            LinktoCNCButtonClick();
        setCaptionToSetupCode();

        m_state.PlcUploadUnlocked = m_state.PlcUploadUnlockedBefore = false;
        m_state.AccessCode = QStringLiteral("ZRTM64");
        m_state.FlashPending = false;
        m_state.seq.ResyncCount = 0;
        view.ButtonClearShown = m_state.env.ClearAllTimes >= 20;
    });
}

void Console::FormDestroy() {
    run([&] {
        m_timer1->setEnabled(false);
        m_timer2->setEnabled(false);
        m_timer3->setEnabled(false);
        m_timerMdi->setEnabled(false);
        m_link.ClosePort();
        WriteSettings();
    });
}

void Console::LinktoCNCButtonClick() {
    run([&] {
        m_link.OpenPort();
        m_state.view.EditKeyIn = QStringLiteral("; To Read CncName-ID ... ;");
        m_state.LastMdiText = m_state.view.EditKeyIn;
        m_state.seq.Resyncing = true;
        m_state.block.PollBlockChanged = true;
        m_state.block.PollBlockStart = 10800;
        m_state.block.PollBlockCount = 8;
        ButtonPlcBitClick();
        m_timer2->setEnabled(true);
        if (m_state.PathChanged) {
            LoadAllTables();
            m_state.PathChanged = false;
        } else if (m_state.RangesChanged) {
            reportTableProblems(m_tables.LoadNameTables(tableDir(), m_state.env.ranges, m_nameLabelChars));
            m_state.RangesChanged = false;
        }
        m_state.view.ButtonResetEnabled = true;
        m_state.view.ButtonClearEnabled = true;
        SetOperationEnabled(true);
    });
}

void Console::LabelBackClick() {
    run([&] {
        if (m_state.line.LinkUp)
            m_link.ClosePort();
        m_state.view.page = NotebookPage::Comm;
        m_state.PageMode = -1;
        SetOperationEnabled(false);
        setCaptionToSetupCode();
        m_state.view.ButtonResetEnabled = false;
        m_state.view.ButtonClearEnabled = false;
    });
}

void Console::RadioGroupComClick(CommGroup group, int index) {
    run([&] {
        // The manual group only follows the command line.
        if (group == CommGroup::Manual)
            return;
        SetCommItem(m_state.comm, group, index);
        setCaptionToSetupCode();
        m_state.view.statusPanels[1] = PortDescription(m_state.comm, m_state.env.ComStartNum);
    });
}

void Console::ButtonFileSelectParthClick() {
    run([&] {
        FileDialogRequest request;
        request.filter = qtFileFilter(QStringLiteral("CNC_&ID|Velmorix.ini"));
        request.initialDir = m_state.OpenDialogDir;
        request.proposedName = QStringLiteral("Velmorix");
        const auto chosen = m_prompts.chooseOpenFile(request);
        if (!chosen || chosen->isEmpty())
            return;
        const QString dir = QFileInfo(*chosen).absolutePath();
        m_state.OpenDialogDir = dir;
        m_state.view.EditSelectPath = QDir::toNativeSeparators(dir);
        m_state.PathChanged = true;
    });
}

void Console::ButtonPlcBitClick() {
    run([&] { m_pages.ButtonPlcBitClick(); });
}
void Console::ButtonPlcRCTClick() {
    run([&] { m_pages.ButtonPlcRCTClick(); });
}
void Console::ButtonVarUserClick() {
    run([&] { m_pages.ButtonVarUserClick(); });
}
void Console::ButtonVarSysClick() {
    run([&] { m_pages.ButtonVarSysClick(); });
}
void Console::ButtonCNCInfoClick() {
    run([&] { m_pages.ButtonCNCInfoClick(); });
}
void Console::ButtonMCMDataClick() {
    run([&] { m_pages.ButtonMCMDataClick(); });
}
void Console::ButtonFileSvcClick() {
    run([&] { m_pages.ButtonFileSvcClick({}); });
}
void Console::ButtonHelpClick() {
    run([&] { m_pages.ButtonHelpClick(); });
}
void Console::BitGroupClick(int tag) {
    run([&] { m_pages.SelectBitGroup(tag); });
}
void Console::RctKindClick(int kind) {
    run([&] { m_pages.SelectRctKind(kind); });
}
void Console::BtnPlcRct032Click(int offset) {
    run([&] { m_pages.BtnPlcRct032Click(offset); });
}
void Console::StaticTextPlcRct0_10Click(int row) {
    run([&] { m_pages.StaticTextPlcRct0_10Click(row); });
}
void Console::ComboBox1000Change(int t, int h, int d) {
    run([&] { m_pages.ComboBox1000Change(t, h, d); });
}
void Console::ButtonPageUpClick() {
    run([&] { m_pages.ButtonPageUpClick(); });
}
void Console::ButtonPageDownClick() {
    run([&] { m_pages.ButtonPageDownClick(); });
}
void Console::StaticTextVar0_10Click(int row) {
    run([&] { m_pages.StaticTextVar0_10Click(row); });
}
void Console::StaticTextCncInfo0_10Click(int row) {
    run([&] { m_pages.StaticTextCncInfo0_10Click(row); });
}

void Console::ButtonCloseClick() {
    run([&] { m_state.view.closeRequested = true; });
}

void Console::RadioGroupMonitorClick(int index) {
    run([&] {
        m_state.block.MonitorGroup = index;
        m_state.block.PollBlockChanged = true;
    });
}

void Console::EditKeyInEdited(const QString& text) {
    // Every key restarts the line's ten seconds.
    m_state.view.EditKeyIn = text;
    m_timerMdi->restart();
}

void Console::EditKeyInKeyPress(QChar key) {
    run([&] { m_mdi->EditKeyInKeyPress(key); });
}
void Console::ButtonMDIgoClick() {
    run([&] { m_mdi->ButtonMDIgoClick(); });
}
void Console::ButtonMemTextClick() {
    run([&] { m_mdi->ButtonMemTextClick(); });
}
void Console::ButtonClearClick() {
    run([&] { m_mdi->ButtonClearClick(); });
}
void Console::ButtonResetClick() {
    run([&] { m_mdi->ButtonResetClick(); });
}

void Console::onPortError(const QString& text) {
    m_timer2->setEnabled(false);
    m_prompts.showMessage(QStringLiteral("Comm: ") + text);
}

void Console::Timer1Timer() {}

} // namespace velmorix
