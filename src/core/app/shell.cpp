#include "core/app/shell.h"

#include "core/base/message_line.h"
#include "core/base/plc_var_map.h"
#include "core/base/prompts.h"
#include "core/link/link.h"
#include "core/pages/pages.h"
#include "core/service/service_mode.h"
#include "core/tables/text_tables.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>

namespace velmorix {

namespace {
const QString kCommCaption = QStringLiteral("Velmorix\\CommPort.SetUp ");
constexpr int kClearShownFrom = ServiceMode::kClearShownFrom; // the Clear button shows from this count
} // namespace

Shell::Shell(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link, Pages& pages,
             TextTables& tables, ConsoleTimers timers, QString workingDir, Hooks hooks)
    : m_state(state), m_message(message), m_prompts(prompts), m_link(link), m_pages(pages), m_tables(tables),
      m_timers(timers), m_workingDir(std::move(workingDir)), m_hooks(std::move(hooks)) {}

QString Shell::SetupCodeText() const {
    return velmorix::SetupCodeText(m_state.comm);
}

void Shell::ReadSettings() {
    SettingsFile file(m_workingDir);
    m_settingsProblem.clear();
    m_state.env = file.read(&m_settingsProblem);
    m_link.setPortNames(PortNames(m_state.env.comPorts));
    m_link.setSettingsPath(QDir::toNativeSeparators(file.path()));
}

void Shell::WriteSettings() {
    const QString problem = SettingsFile(m_workingDir).write(m_state.env);
    if (!problem.isEmpty())
        m_prompts.showMessage(QStringLiteral("The settings were not saved. ") + problem);
}

QString Shell::tableDir() const {
    return QDir::fromNativeSeparators(m_state.view.EditSelectPath);
}

void Shell::reportTableProblems(const QStringList& problems) {
    if (!problems.isEmpty())
        m_message.note(QStringLiteral("; ") + problems.join(QStringLiteral("; ")) + QStringLiteral(" ;"));
}

void Shell::LoadAllTables() {
    reportTableProblems(m_tables.LoadAllTables(tableDir(), m_state.env.ranges, m_nameLabelChars));
}

void Shell::setCaptionToSetupCode() {
    m_state.view.caption = kCommCaption + SetupCodeText();
}

void Shell::stopTimers() {
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer2.setEnabled(false);
    m_timers.Timer3.setEnabled(false);
}

void Shell::FormCreate(const StartupInputs& inputs) {
    MainView& view = m_state.view;
    ReadSettings(); // the Com items follow ComStartNum; the selection stays
    view.page = NotebookPage::Comm;
    m_nameLabelChars = inputs.nameLabelChars;

    m_hooks.setOperationEnabled(false);
    view.ButtonResetEnabled = false;
    view.ButtonClearEnabled = false;
    m_message.note(QStringLiteral("; Velmorix StartUp ... ;"));
    // What was wrong with the settings file goes on the message line; nothing is lost by it.
    if (!m_settingsProblem.isEmpty())
        m_message.note(QStringLiteral("; ") + m_settingsProblem + QStringLiteral(" ;"));
    stopTimers();
    m_timers.TimerMdi_go.setEnabled(true);

    view.statusPanels[0] = QStringLiteral("Modify Var");
    view.statusPanels[2] = QStringLiteral("Modify Commport Address");
    view.statusPanels[3] = QStringLiteral("V2.10 2012-0601");

    view.EditSelectPath = QDir::toNativeSeparators(m_workingDir);
    m_state.OpenDialogDir = m_state.SaveDialogDir = m_workingDir;
    LoadAllTables();

    const CommandLine cl = parseCommandLine(inputs.arguments);
    // Before any link, so the file has the whole exchange.
    if (cl.wireLogMissing) {
        m_prompts.showMessage(QStringLiteral("Wire log: --wire-log needs a file (--wire-log FILE)"));
    } else if (!cl.wireLog.isEmpty() && m_hooks.writeWireLog) {
        QString why;
        if (!m_hooks.writeWireLog(cl.wireLog, &why))
            m_prompts.showMessage(QStringLiteral("Wire log: ") + why);
    }
    if (cl.simulator) {
        PortNames names(m_state.env.comPorts);
        names.setOverride(PortNames::kSimulator);
        m_link.setPortNames(names);
    }
    const bool valid = applySetupCode(cl.setupCode, m_state.comm);
    view.statusPanel1Hint = m_link.chosenDeviceHint();

    m_state.seq = SequenceState{};
    if (cl.startWordIsGo() && valid)
        LinktoCNCButtonClick();
    setCaptionToSetupCode();

    m_state.PlcUploadUnlocked = m_state.PlcUploadUnlockedBefore = false;
    m_state.AccessCode = QStringLiteral("ZRTM64");
    view.ButtonClearShown = m_state.env.ClearAllTimes >= kClearShownFrom;
}

void Shell::setUp(const EngineSetup& setup) {
    m_state.env = setup.env;
    m_state.comm = setup.comm;
    PortNames names(setup.env.comPorts);
    names.setOverride(setup.device);
    m_link.setPortNames(names);
    m_link.setSettingsPath(setup.settingsPath);
    m_hooks.setOperationEnabled(false);
    stopTimers();
    m_timers.TimerMdi_go.setEnabled(false);
    m_state.view.EditSelectPath = QDir::toNativeSeparators(setup.tableDir);
    m_state.OpenDialogDir = m_state.SaveDialogDir = setup.tableDir;
    if (!setup.tableDir.isEmpty())
        LoadAllTables();
    m_state.seq = SequenceState{};
    setCaptionToSetupCode();
}

void Shell::FormDestroy() {
    stopTimers();
    m_timers.TimerMdi_go.setEnabled(false);
    m_link.closePort();
    WriteSettings();
}

void Shell::LinktoCNCButtonClick() {
    // A port that did not open leaves the window unlinked: the Comm page, the operator locked out.
    if (!m_link.OpenPort())
        return;
    m_message.note(QStringLiteral("; To Read CncName-ID ... ;"));
    m_state.LastMdiText = m_message.text();
    m_state.seq.resync();
    m_state.block.update(PlcVarMap::I, PlcVarMap::kBitGroupWords); // the I bits, the first page shown
    m_state.block.resubscribe();
    m_pages.ButtonPlcBitClick();
    m_timers.Timer2.setEnabled(true);
    if (m_state.PathChanged) {
        LoadAllTables();
        m_state.PathChanged = false;
    } else if (m_state.RangesChanged) {
        reportTableProblems(m_tables.loadNameTables(tableDir(), m_state.env.ranges, m_nameLabelChars));
        m_state.RangesChanged = false;
    }
    m_state.view.ButtonResetEnabled = true;
    m_state.view.ButtonClearEnabled = true;
    m_hooks.setOperationEnabled(true);
    // Settings the device refused would leave every frame undecodable: the line says which.
    if (const QString note = m_link.refusalNote(); !note.isEmpty())
        m_message.note(note);
}

void Shell::LabelBackClick() {
    if (m_state.line.LinkUp)
        m_link.closePort();
    m_state.view.page = NotebookPage::Comm;
    m_state.pageMode = PageMode::PortSetup;
    m_hooks.setOperationEnabled(false);
    setCaptionToSetupCode();
    m_state.view.ButtonResetEnabled = false;
    m_state.view.ButtonClearEnabled = false;
}

void Shell::RadioGroupComClick(CommGroup group, int index) {
    // The manual group only follows the command line.
    if (group == CommGroup::Manual)
        return;
    setCommItem(m_state.comm, group, index);
    setCaptionToSetupCode();
    m_state.view.statusPanels[1] = portDescription(m_state.comm, m_state.env.ComStartNum);
    m_state.view.statusPanel1Hint = m_link.chosenDeviceHint();
}

void Shell::ButtonFileSelectParthClick() {
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
}

} // namespace velmorix
