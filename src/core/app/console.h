#pragma once

#include "core/app/hold.h"
#include "core/app/prompts.h"
#include "core/app/state.h"
#include "core/files/file_page.h"
#include "core/files/mdi.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "core/pages/pages.h"
#include "core/poll/poll_cycle.h"
#include "core/tables/text_tables.h"
#include "platform/clock.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace velmorix {

// What the console is told about its surroundings when it starts.
struct StartupInputs {
    QStringList arguments;  // command line without the program name
    int nameLabelChars = 0; // characters that fit on one line of a CNC-information name label
};

// The console engine: the window-wide state and every operation of the main window. The window
// forwards its events here and renders `state()` whenever `changed` is emitted.
class Console : public QObject {
    Q_OBJECT
public:
    Console(Clock& clock, Prompts& prompts, PortFactory portFactory, QString workingDir);
    ~Console() override;

    const ConsoleState& state() const { return m_state; }

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

    void SetOperationEnabled(bool enabled);

    // Areas, for the window and for tests.
    Link& link() { return m_link; }
    PollCycle& poll() { return m_poll; }
    const Pages& pages() const { return m_pages; }
    const FilePage& filePage() const { return *m_filePage; }
    const TextTables& tables() const { return m_tables; }
    Timer& Timer1() { return *m_timer1; }
    Timer& Timer2() { return *m_timer2; }
    Timer& Timer3() { return *m_timer3; }
    Timer& TimerMdi_go() { return *m_timerMdi; }
    QString SetupCodeText() const;
    int NameLabelChars() const { return m_nameLabelChars; }

signals:
    void changed();

private:
    void ReadSettings();
    void LoadAllTables();
    void reportTableProblems(const QStringList& problems);
    QString tableDir() const;
    void WriteSettings();
    void setCaptionToSetupCode();
    void onPortError(const QString& text);
    void Timer1Timer();
    // Runs an operation and tells the window to repaint.
    template <typename F> void run(F&& f) {
        f();
        emit changed();
    }

    Clock& m_clock;
    Prompts& m_prompts;
    QString m_workingDir;
    QString m_settingsProblem;
    ConsoleState m_state;
    Hold m_hold;
    TextTables m_tables;
    Link m_link;
    Watchdog m_watchdog;
    PollCycle m_poll;
    Pages m_pages;
    std::unique_ptr<Mdi> m_mdi;
    std::unique_ptr<FilePage> m_filePage;
    std::unique_ptr<Timer> m_timer1;
    std::unique_ptr<Timer> m_timer2;
    std::unique_ptr<Timer> m_timer3;
    std::unique_ptr<Timer> m_timerMdi;
    std::unique_ptr<Timer> m_loadTimer; // slices of a file load
    int m_nameLabelChars = 0;
};

} // namespace velmorix
