#pragma once

#include "core/base/console_timers.h"
#include "core/files/arm_uploader.h"
#include "core/files/dnc_lines.h"
#include "core/files/resume_journal.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

namespace velmorix {

struct ConsoleState;
struct TransferEnd;
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
//
// The pump paces on the line clock, never on the port's own count: a pseudo-terminal, a USB
// adapter's FIFO and a network device server all hold bytes the driver does not see. A send is said
// to be done only once its last byte has crossed the line and the controller has answered.
class FileSender {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };

    static constexpr qint32 kAnnounceVariable = 10768;
    static constexpr qint32 kUploadVariable = 10211;
    static constexpr int kChunk = 512;      // characters a pump tick writes
    static constexpr int kQueueLimit = 256; // the pump writes only while this many or fewer are in flight
    static constexpr qint64 kFinePacingUs = 1000; // a DNC line this close to crossing is waited for
    static constexpr int kUploadPauseMs = 1000;   // after asking the controller for the 8-bit line
    // Poll ticks after a whole-image send's last byte in which the controller must answer.
    static constexpr int kVerdictTicks = 50;

    FileSender(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link, Transfer& transfer,
               Watchdog& watchdog, FilePage& files, Mdi& mdi, Hold& hold, Clock& clock, ConsoleTimers timers,
               const QStringList& errorTexts, Hooks hooks);
    ~FileSender();

    void ButtonSendOutClick() { start(true); }
    // Sends the loaded file; the upload warning only when asked for (the window asks, a script has
    // decided). False when nothing could start (no file, a transfer running, the line not there).
    bool start(bool askWarning);
    // "@READ": the controller takes the file; the pump starts.
    void startPump();
    void Timer1Timer();
    // Reset: a running upload ends at once.
    void stopUpload();
    // The next DNC run starts at this line (1 = the first), after these blocks (the modal state in
    // force there); the whole program otherwise.
    void setDncStart(qint32 line, QList<QByteArray> preamble = {});
    // A transfer ended: a DNC run that broke off says where it stopped and keeps that beside the
    // program.
    void transferEnded(TransferEnd& end);

    // The last line of the DNC run that has crossed the line (1 = the first line), and the first
    // line the controller may not have run yet: the first within its buffer of the end.
    qint32 lastDncLineCrossed() const { return m_dncCrossed; }
    qint32 dncResumeLine() const;
    // "stopped after line M had crossed; the controller may not have run lines K–M; resume with
    // --from-line K".
    QString dncStopText() const;

    // "PROGRAM.dnc-resume" beside a program: the last line of a broken-off run that had crossed, and
    // the line to resume from.
    static QString journalPath(const QString& program);

    // An accepted status frame: during a DNC run, a new error number stops it; after a whole-image
    // send, the first frame of the new subscription says whether the controller kept the file.
    void statusAccepted();
    // Each poll tick: a whole-image send whose controller stays silent is not confirmed.
    void verdictTick();

    bool WarningOff = false; // "Warning Dialog  Off" ticked in a warning since the program started

    // What the pump still holds, for tests and the rate.
    qint32 SendRemaining() const { return static_cast<qint32>(m_buffer.size() - m_written); }
    bool uploading() const { return m_upload.running(); }

private:
    void announce(int item);
    void pumpFrame();
    void pumpDnc();
    void finish();
    void flashStep(int item);
    // The port closed under a running send: the send is broken, and said so.
    bool portLost();
    // A new error number during a DNC run: the run stops, its tape ends with the reset signal.
    void stopDncOnError(int error);
    bool lineFree();

    bool startUpload();
    void reopenForUpload();
    void uploadFinished(ArmUploader::Outcome outcome, bool lineDropped = false);
    QByteArray journalText() const;
    // The line reached, noted as the run goes; and written at once where a run breaks off.
    void noteInJournal();
    void writeJournal();

    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    Link& m_link;
    Transfer& m_transfer;
    const QStringList& m_errorTexts;
    Watchdog& m_watchdog;
    FilePage& m_files;
    Mdi& m_mdi;
    Hold& m_hold;
    ConsoleTimers m_timers;
    Hooks m_hooks;

    // The frame being pumped (SendBuffer); what of it went out.
    QByteArray m_buffer;
    qsizetype m_written = 0;
    // The DNC program latched at "@READ": its preamble blocks, then its lines from the start line.
    std::shared_ptr<const DncLines> m_dncLines;
    QString m_dncPath;
    QList<QByteArray> m_preamble;
    qsizetype m_preambleSent = 0;
    qint32 m_dncLineIndex = 0;  // next program line to write
    qint32 m_dncFirstIndex = 0; // where the run started
    qint32 m_dncCrossed = 0;    // program lines across the line (absolute count)
    bool m_dncWroteAny = false;
    qint32 m_dncStartLine = 1;
    QList<QByteArray> m_nextPreamble;
    qint32 m_journalLine = -1; // what the journal holds
    ResumeJournal m_journal;
    // The controller's error number when the send began: a standing error is not the file's fault.
    int m_errorAtStart = 0;
    int m_verdictTicks = 0;

    ArmUploader m_upload;
};

} // namespace velmorix
