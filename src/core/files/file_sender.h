#pragma once

#include "core/app/shell.h"
#include "core/files/arm_uploader.h"
#include "core/files/dnc_lines.h"

#include <QByteArray>
#include <functional>
#include <memory>

namespace velmorix {

struct ConsoleState;
class Clock;
class FilePage;
class Hold;
class Link;
class Mdi;
class MessageLine;
class Prompts;
class Transfer;
class Watchdog;

// Sends the loaded file: the announcement, then, once the controller said "@READ", the pump that
// writes the framed file in chunks while the line allows, or feeds a DNC program line by line; the
// flash write after it; and the 8-bit upload of a "C:ARM" file, which runs on a line of its own.
class FileSender {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };

    static constexpr qint32 kAnnounceVariable = 10768;
    static constexpr qint32 kUploadVariable = 10211;
    static constexpr int kChunk = 512;      // characters a pump tick writes
    static constexpr int kQueueLimit = 256; // the pump writes only while the output queue holds this or less
    static constexpr int kUploadPauseMs = 1000; // after asking the controller for the 8-bit line

    FileSender(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link, Transfer& transfer,
               Watchdog& watchdog, FilePage& files, Mdi& mdi, Hold& hold, Clock& clock, ConsoleTimers timers,
               Hooks hooks);
    ~FileSender();

    void ButtonSendOutClick();
    // "@READ": the controller takes the file; the pump starts.
    void startPump();
    void Timer1Timer();
    // Reset: a running upload ends at once.
    void stopUpload();
    // The next DNC run starts at this line (1 = the first); the whole program otherwise.
    void setDncStartLine(qint32 line) { m_dncStartLine = line; }
    // A transfer ended: a DNC run that broke off leaves the line to resume from beside the program.
    void transferEnded(bool failed);
    // The last line of the DNC run that fully left the output queue (1 = the first line).
    qint32 lastDncLineOut() const { return m_dncLastOut; }
    // After a broken-off run has had time to drain: when the port's queue is empty every line handed
    // to it has left, and the journal says so.
    void confirmDncLinesOut();

    // "PROGRAM.dnc-resume" beside a program: the line after which a broken-off run stopped.
    static QString journalPath(const QString& program);

    // After a file send: an accepted status frame of the new subscription tells whether the
    // controller kept the file (no new error number) or refused it; a poll tick bounds the wait.
    void statusAccepted();
    void verdictTick();
    static constexpr int kVerdictTicks = 50;

    bool WarningOff = false; // "Warning Dialog  Off" ticked in a warning since the program started

    // What the pump still holds, for tests and the rate.
    qint32 SendRemaining() const { return static_cast<qint32>(m_buffer.size() - m_written); }
    qint32 DncLineIndex() const { return m_dncLineIndex; }
    qint32 DncLineCount() const { return m_dncLineCount; }
    bool uploading() const { return m_upload.running(); }

private:
    void announce(int item);
    void pumpFrame();
    void pumpDnc();
    void finish();
    void flashStep(int item);
    // The port closed under a running send: the send is broken, and said so.
    bool portLost();

    void startUpload();
    void reopenForUpload();
    void uploadFinished(ArmUploader::Outcome outcome, bool lineDropped = false);

    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    Link& m_link;
    Transfer& m_transfer;
    Watchdog& m_watchdog;
    FilePage& m_files;
    Mdi& m_mdi;
    Hold& m_hold;
    ConsoleTimers m_timers;
    Hooks m_hooks;

    // The frame being pumped (SendBuffer); what of it went out.
    QByteArray m_buffer;
    qsizetype m_written = 0;
    // The DNC program latched at "@READ", and where its run started.
    std::shared_ptr<const DncLines> m_dncLines;
    QString m_dncPath;
    qint32 m_dncLineIndex = 0;
    qint32 m_dncLineCount = 0;
    qint32 m_dncFirstIndex = 0;
    qint32 m_dncStartLine = 1;
    qint32 m_dncLastOut = 0;   // lines fully on the line (absolute count)
    qint32 m_journalLine = -1; // what the journal holds
    int m_errorAtStart = 0;    // the controller's error number when the send began
    int m_verdictTicks = 0;
    void writeJournal();

    ArmUploader m_upload;
};

} // namespace velmorix
