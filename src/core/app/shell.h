#pragma once

#include "core/base/console_timers.h"
#include "core/base/state.h"

#include <QStringList>
#include <functional>

namespace velmorix {

class Link;
class MessageLine;
class Pages;
class Prompts;
class TextTables;
class Timer;

// What the console is told about its surroundings when its window is created.
struct StartupInputs {
    QStringList arguments;  // command line without the program name
    int nameLabelChars = 0; // characters that fit on one line of a CNC-information name label
};

// The engine without a window: everything the start-up would have read, given outright.
struct EngineSetup {
    QString device;          // what the link opens: a tty path, or "simulator"
    CommSelection comm;      // the line settings, as a setup code chooses them
    QString tableDir;        // where the name, help and error tables are; empty: none is read
    EnvironmentSettings env; // page ranges and port numbering
    QString settingsPath;    // the settings file whose [ComPorts] a failed open points to
};

// The application shell: start-up and shut-down, the settings file, the text tables, the command
// line, and the Comm page with "Link to CNC" and the way back to it.
class Shell {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
        // Starts writing the wire log to the file; false with the reason.
        std::function<bool(const QString& path, QString* error)> writeWireLog;
    };

    Shell(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link, Pages& pages,
          TextTables& tables, ConsoleTimers timers, QString workingDir, Hooks hooks);

    void FormCreate(const StartupInputs& inputs);
    void FormDestroy();
    void setUp(const EngineSetup& setup);

    void LinktoCNCButtonClick();
    void LabelBackClick();
    void RadioGroupComClick(CommGroup group, int index);
    void ButtonFileSelectParthClick();

    QString SetupCodeText() const;
    int NameLabelChars() const { return m_nameLabelChars; }

private:
    void ReadSettings();
    void WriteSettings();
    void LoadAllTables();
    void reportTableProblems(const QStringList& problems);
    QString tableDir() const;
    void setCaptionToSetupCode();
    void stopTimers();

    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    Link& m_link;
    Pages& m_pages;
    TextTables& m_tables;
    ConsoleTimers m_timers;
    QString m_workingDir;
    QString m_settingsProblem;
    Hooks m_hooks;
    int m_nameLabelChars = 0;
};

} // namespace velmorix
