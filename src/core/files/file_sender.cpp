#include "core/files/file_sender.h"

#include "core/base/hold.h"
#include "core/base/message_line.h"
#include "core/base/prompts.h"
#include "core/base/state.h"
#include "core/files/file_page.h"
#include "core/files/file_types.h"
#include "core/files/text_loader.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "core/mdi/mdi.h"
#include "core/tables/text_tables.h"
#include "platform/clock.h"

#include <algorithm>
#include <climits>

namespace velmorix {

namespace {

// Items sent without the upload warning: "0:CNC", "1:CNC", "A:CYF".
bool warnsBeforeSending(int item) {
    return item != 0 && item != 1 && item != 10;
}

// The file name of a label that shows a path: everything after its last separator.
QString bareName(const QString& label) {
    const qsizetype cut = std::max(label.lastIndexOf(QLatin1Char('\\')), label.lastIndexOf(QLatin1Char('/')));
    return label.mid(cut + 1);
}

int gaugeValue(qint64 n) {
    return static_cast<int>(std::min<qint64>(n, INT_MAX));
}

} // namespace

FileSender::FileSender(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link,
                       Transfer& transfer, Watchdog& watchdog, FilePage& files, Mdi& mdi, Hold& hold,
                       Clock& clock, ConsoleTimers timers, const QStringList& errorTexts, Hooks hooks)
    : m_state(state), m_message(message), m_prompts(prompts), m_link(link), m_transfer(transfer),
      m_errorTexts(errorTexts), m_watchdog(watchdog), m_files(files), m_mdi(mdi), m_hold(hold),
      m_timers(timers), m_hooks(std::move(hooks)),
      m_upload(clock, {
                          .write = [this](const QByteArray& f) { return m_link.write(f); },
                          .read = [this] { return m_link.port() ? m_link.port()->read(4096) : QByteArray(); },
                          .headerAccepted =
                              [this] {
                                  m_timers.Timer3.setEnabled(true);
                                  m_watchdog.arm(10);
                                  m_message.note(QStringLiteral("; .. Send ARM .. ;"));
                              },
                          .dataAccepted =
                              [this](int n) {
                                  m_files.advanceGauge(n);
                                  m_watchdog.extend(10);
                              },
                          .finished = [this](ArmUploader::Outcome o) { uploadFinished(o); },
                      }) {}

FileSender::~FileSender() = default;

bool FileSender::start(bool askWarning) {
    if (!m_files.fileListed() || m_transfer.active() || m_upload.running())
        return false;
    const int item = m_files.sendItem();
    if (item == kArmTypeIndex)
        return startUpload();
    // The error the controller shows already is not the file's doing; without a status frame since
    // the link came up there is none to go by.
    m_errorAtStart = m_state.live.AcceptedFrames > 0 ? m_state.live.StatusErrorNumber : 0;
    m_hooks.setOperationEnabled(false);
    m_watchdog.arm(10);
    m_message.note(QStringLiteral("; .. Stop Report .. ;"));
    m_files.setGauge(0);
    if (askWarning && !WarningOff && warnsBeforeSending(item)) {
        const UploadWarningAnswer answer = m_prompts.askUploadWarning();
        WarningOff = answer.warningOff;
        if (!answer.upload) {
            m_hooks.setOperationEnabled(true);
            return false;
        }
    }
    // A Reset pressed while nothing ran is spent; it must not break this send.
    m_watchdog.clearBreak();
    m_timers.Timer3.setEnabled(true);
    announce(item);
    m_timers.TimerMdi_go.setEnabled(false);
    return true;
}

void FileSender::announce(int item) {
    const SendFileType& type = *sendFileType(item);
    const QByteArray name = bareName(m_files.view().LabelFileName).toLatin1();
    if (!type.dnc)
        m_link.SendLinkReset();
    // Announced first: from the request on, a DNC run owns the line, and the announcement is its own.
    m_link.SendNamedValueWrite(kAnnounceVariable, *type.typeCode, name);
    m_transfer.requestSend(item);
    // During a DNC run the operator keeps the window, and without the link reset the status
    // stream goes on.
    if (type.dnc)
        m_hooks.setOperationEnabled(true);
}

void FileSender::setDncStart(qint32 line, QList<QByteArray> preamble) {
    m_dncStartLine = line;
    m_nextPreamble = std::move(preamble);
}

void FileSender::startPump() {
    const int item = m_transfer.sendItem();
    if (item == kDncTypeIndex) {
        m_dncLines = m_files.dncLines();
        m_dncPath = m_files.loadedPath();
        const auto total = static_cast<qint32>(m_dncLines->count());
        m_dncFirstIndex = std::clamp(m_dncStartLine - 1, 0, total);
        m_preamble = m_dncFirstIndex > 0 ? std::move(m_nextPreamble) : QList<QByteArray>();
        m_preambleSent = 0;
        // A start line and its preamble hold for one run.
        m_dncStartLine = 1;
        m_nextPreamble.clear();
        m_dncLineIndex = m_dncFirstIndex;
        m_dncCrossed = m_dncFirstIndex;
        m_dncWroteAny = false;
        m_journalLine = -1;
        m_files.setGauge(0, gaugeValue(total - m_dncFirstIndex));
    } else {
        m_buffer = sendFrame(*sendFileType(item), m_files.TransferImage());
        m_written = 0;
        m_files.setGauge(0, gaugeValue(m_buffer.size()));
    }
    m_timers.Timer1.setEnabled(true);
}

bool FileSender::portLost() {
    if (m_link.port() && m_link.port()->isOpen())
        return false;
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer3.setEnabled(false);
    m_transfer.abort();
    m_message.note(QStringLiteral("; .. DSR Off --> Break .. ;"));
    m_hooks.setOperationEnabled(true);
    m_transfer.reportFailure(QStringLiteral("link lost (DSR off)"));
    return true;
}

void FileSender::Timer1Timer() {
    if (!m_transfer.Sending() || portLost())
        return;
    if (m_transfer.sendItem() == kDncTypeIndex)
        pumpDnc();
    else
        pumpFrame();
}

bool FileSender::lineFree() {
    // Data written while the controller is away (DSR off) would be lost: the pump waits for it as
    // it waits for CTS.
    return m_state.line.CtsReady && m_state.line.LinkUp && !m_transfer.XoffHold() &&
           m_link.bytesInFlight() <= kQueueLimit;
}

void FileSender::pumpFrame() {
    const qsizetype left = SendRemaining();
    if (left >= kChunk)
        m_watchdog.feed();
    if (left > 0) {
        if (!lineFree())
            return;
        const qint64 n = m_link.write(m_buffer.mid(m_written, kChunk));
        if (n > 0) {
            m_written += n;
            m_transfer.countWritten(n);
            m_files.advanceGauge(static_cast<int>(n));
        }
        return;
    }
    // Every byte is handed over; the send ends when the last one has crossed the line.
    if (m_link.lineClear())
        finish();
}

void FileSender::pumpDnc() {
    m_watchdog.feed();
    const qsizetype preambleLeft = m_preamble.size() - m_preambleSent;
    const qint32 linesLeft = static_cast<qint32>(m_dncLines->count()) - m_dncLineIndex;
    const bool more = preambleLeft + linesLeft > 0 && m_state.line.LinkUp && !m_transfer.XoffHold();
    // A line about to finish its crossing is waited for here rather than a tick later: at 115200 a
    // short line crosses in under two ticks, and a tick's wait would cost a third of the line's rate.
    const bool clear = more ? m_link.lineClearWithin(kFinePacingUs) : m_link.lineClear();
    if (clear && m_dncWroteAny && m_dncCrossed != m_dncLineIndex) {
        m_dncCrossed = m_dncLineIndex; // every line written so far has crossed
        if (m_dncCrossed - m_journalLine >= 500)
            noteInJournal();
    }
    // One line at a time, and only once the one before has crossed: an XOFF stops the feed within a
    // line, and a controller that goes away has at most one line in flight.
    if (clear && more) {
        const bool first = !m_dncWroteAny;
        const bool last = preambleLeft + linesLeft == 1;
        QByteArray line;
        if (preambleLeft > 0) {
            line = m_preamble[m_preambleSent++];
        } else {
            line = m_dncLines->line(m_dncLineIndex);
            if (m_dncLineIndex >= m_files.DncListedCount())
                m_files.showDncLineSent(m_dncLines, m_dncLineIndex);
            m_files.advanceGauge(1);
            ++m_dncLineIndex;
        }
        const QByteArray text = dncWireText(line, first, last);
        const qint64 n = m_link.write(text, true);
        m_dncWroteAny = true;
        m_transfer.countWritten(std::max<qint64>(n, 0));
        if (n < text.size())
            m_prompts.showMessage(QStringLiteral("Write Error!"));
        return;
    }
    if (preambleLeft + linesLeft > 0 || !clear)
        return;
    finish();
}

void FileSender::finish() {
    const int item = m_transfer.sendItem();
    const bool dnc = item == kDncTypeIndex;
    if (dnc) {
        // The run is complete: nothing to resume.
        if (!m_dncPath.isEmpty())
            m_journal.post(journalPath(m_dncPath), std::nullopt);
        m_journalLine = -1;
    }
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer3.setEnabled(false);
    m_message.note(QStringLiteral("; .. Sended .. @ ;"));
    m_buffer.clear();
    m_written = 0;
    m_dncLines.reset();
    m_transfer.finishSend();
    m_verdictTicks = 0;
    flashStep(item);
    if (dnc) {
        // Every line crossed, and no new error number came while they ran.
        m_transfer.report({TransferEnd::Kind::Sent, {}});
    } else {
        // The link reset before the announcement stopped the status stream; it is asked for afresh, and
        // its first frame says whether the controller kept the file.
        m_transfer.awaitVerdict();
        m_state.block.resubscribe();
    }
    m_hooks.setOperationEnabled(true);
}

void FileSender::statusAccepted() {
    const int error = m_state.live.StatusErrorNumber;
    const bool newError = error != 0 && error != m_errorAtStart;
    if (m_transfer.dncSending()) {
        if (newError)
            stopDncOnError(error);
        return;
    }
    // Frames still streaming for the old subscription say nothing about the file.
    if (!m_transfer.awaitingVerdict() || m_state.block.PollBlockChanged())
        return;
    if (!newError) {
        m_transfer.report({TransferEnd::Kind::Sent, {}});
        return;
    }
    // What the controller refused is not written to its flash.
    m_mdi.cancelFlashWrite();
    TransferEnd end{TransferEnd::Kind::Refused, controllerErrorReport(error, m_errorTexts)};
    end.errorNumber = error;
    m_message.verdict(QStringLiteral("; ") + end.reason + QStringLiteral(" ;"));
    m_transfer.report(end);
}

void FileSender::stopDncOnError(int error) {
    // Nothing more goes into a controller that stopped on an error; its open tape ends with the reset
    // signal, never with the mark that would make it a whole program.
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer3.setEnabled(false);
    if (m_link.lineClear() && m_dncWroteAny)
        m_dncCrossed = m_dncLineIndex;
    m_link.breakBody();
    m_transfer.abort();
    m_hooks.setOperationEnabled(true);
    TransferEnd end{TransferEnd::Kind::Refused, controllerErrorReport(error, m_errorTexts) +
                                                    QStringLiteral(" at about line %1").arg(m_dncCrossed)};
    end.errorNumber = error;
    m_transfer.report(end);
}

void FileSender::verdictTick() {
    if (!m_transfer.awaitingVerdict())
        return;
    SerialPort* port = m_link.port();
    // Bytes still on their way when the port went away never reached the controller.
    if (!port || !port->isOpen()) {
        m_transfer.reportFailure(QStringLiteral("link lost before the controller had the whole file"));
        return;
    }
    if (++m_verdictTicks <= kVerdictTicks)
        return;
    m_mdi.cancelFlashWrite();
    const QString text = QStringLiteral("not confirmed: the controller sent no status after the file");
    m_message.verdict(QStringLiteral("; ") + text + QStringLiteral(" ;"));
    m_transfer.report({TransferEnd::Kind::NotConfirmed, text});
}

qint32 FileSender::dncResumeLine() const {
    // The controller's buffer holds the lines waiting to run; the one it runs has left the buffer
    // already. Walking back from the last line across, every line whose bytes fit in the buffer may
    // still be waiting, and the line before them may be running.
    const qint32 first = m_dncFirstIndex + 1;
    if (m_dncCrossed < first || !m_dncLines)
        return first;
    const qint64 buffer = std::max<qint32>(m_state.env.ControllerBufferBytes, 0);
    qint64 bytes = 0;
    qint32 k = m_dncCrossed;
    while (k >= first) {
        bytes += dncWireText(m_dncLines->line(k - 1), false, false).size();
        if (bytes > buffer)
            break;
        --k;
    }
    // k is the last line that did not fit, or one before the run: the line after it may be running.
    return std::max(first, k);
}

QString FileSender::dncStopText() const {
    const qint32 k = dncResumeLine();
    if (m_dncCrossed < k)
        return QStringLiteral("stopped before any line had crossed; resume with --from-line %1").arg(k);
    return QStringLiteral("stopped after line %1 had crossed; the controller may not have run lines %2–%1; "
                          "resume with --from-line %2")
        .arg(m_dncCrossed)
        .arg(k);
}

QString FileSender::journalPath(const QString& program) {
    return program + QStringLiteral(".dnc-resume");
}

QByteArray FileSender::journalText() const {
    return QByteArray::number(m_dncCrossed) + '\n' + "resume " + QByteArray::number(dncResumeLine()) + '\n';
}

void FileSender::noteInJournal() {
    if (m_dncPath.isEmpty())
        return;
    // Written off the event loop: the run goes on while the disk syncs it.
    m_journal.post(journalPath(m_dncPath), journalText());
    m_journalLine = m_dncCrossed;
}

void FileSender::writeJournal() {
    if (m_dncPath.isEmpty())
        return;
    if (m_journal.writeNow(journalPath(m_dncPath), journalText()))
        m_journalLine = m_dncCrossed;
}

void FileSender::transferEnded(TransferEnd& end) {
    if (end.ok() || !m_dncLines || m_transfer.sendItem() != kDncTypeIndex)
        return;
    m_timers.Timer1.setEnabled(false);
    // The line before which the run stopped: every line written had crossed when the line was last
    // clear; a line still in flight may not have.
    if (m_link.lineClear() && m_dncWroteAny)
        m_dncCrossed = m_dncLineIndex;
    end.lastLine = m_dncCrossed;
    end.resumeLine = dncResumeLine();
    if (end.kind == TransferEnd::Kind::Failed)
        end.kind = TransferEnd::Kind::BrokenOff;
    const QString stop = dncStopText();
    end.reason = end.reason.isEmpty() ? stop : end.reason + QStringLiteral("; ") + stop;
    writeJournal();
    m_files.showResumeLine(end.resumeLine);
    m_message.verdict(QStringLiteral("; ") + stop + QStringLiteral(" ;"));
    m_dncLines.reset();
}

void FileSender::flashStep(int item) {
    const SendFileType& type = *sendFileType(item);
    if (type.flashCommand)
        m_message.note(QString::fromLatin1(type.flashCommand));
    if (m_files.flashChecked() && type.flashWrite)
        m_mdi.armFlashWrite();
    else
        m_mdi.holdForFlashWrite();
    m_state.LastMdiText = m_message.text();
}

// ---- the 8-bit upload

bool FileSender::startUpload() {
    if (!m_state.line.CtsReady || !m_state.line.LinkUp)
        return false;
    m_watchdog.clearBreak();
    m_link.SendValueWrite(kUploadVariable, 255);
    m_hold.pause(kUploadPauseMs, [this] { reopenForUpload(); });
    return true;
}

void FileSender::reopenForUpload() {
    m_hooks.setOperationEnabled(false);
    m_link.closePort();
    m_timers.Timer2.setEnabled(false);
    PortSettings eightBit = lineSettings(m_state.comm);
    eightBit.parity = Parity::None;
    eightBit.dataBits = 8;
    eightBit.stopBits = 1;
    eightBit.hardwareFlow = true;
    m_link.openWith(eightBit);
    m_transfer.setArmSending(true);
    if (!m_state.line.CtsReady || !m_state.line.LinkUp) {
        uploadFinished(ArmUploader::Outcome::TimedOut, true);
        return;
    }
    m_files.setGauge(0, gaugeValue(m_files.ArmImage().size()));
    m_upload.start(m_files.ArmImage());
}

void FileSender::stopUpload() {
    m_upload.stop();
}

void FileSender::uploadFinished(ArmUploader::Outcome outcome, bool lineDropped) {
    m_timers.Timer3.setEnabled(false);
    m_transfer.setArmSending(false);
    // The link comes back in every case, with its own settings, and polls afresh. The file page stays
    // with its gauge, and the key-in line says how the upload ended.
    m_link.closePort();
    const bool linked = m_link.OpenPort();
    m_state.seq.resync();
    m_state.block.resubscribe();
    m_timers.Timer2.setEnabled(linked);
    m_hooks.setOperationEnabled(linked);
    const int frame = m_upload.frameNumber();
    switch (outcome) {
    case ArmUploader::Outcome::Done:
        m_message.note(QStringLiteral("; .. Sended .. @ ;"));
        m_transfer.report({TransferEnd::Kind::Sent, {}});
        break;
    case ArmUploader::Outcome::Refused:
        m_message.note(QStringLiteral("; .. Send ARM Refused .. ;"));
        m_transfer.reportFailure(QStringLiteral("controller refused frame %1").arg(frame));
        break;
    case ArmUploader::Outcome::TimedOut:
        m_message.note(QStringLiteral("; .. Handshake Time Out .. ;"));
        m_transfer.reportFailure(lineDropped
                                     ? (m_state.line.LinkUp ? QStringLiteral("the controller held CTS off")
                                                            : QStringLiteral("link lost (DSR off)"))
                                     : QStringLiteral("no answer to frame %1").arg(frame));
        break;
    case ArmUploader::Outcome::Stopped:
        m_message.note(QStringLiteral("; .. Reset --> Break .. ;"));
        m_transfer.reportFailure(QStringLiteral("reset"));
        break;
    }
}

} // namespace velmorix
