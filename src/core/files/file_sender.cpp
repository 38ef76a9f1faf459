#include "core/files/file_sender.h"

#include "core/app/hold.h"
#include "core/app/message_line.h"
#include "core/app/prompts.h"
#include "core/app/state.h"
#include "core/files/file_page.h"
#include "core/files/file_types.h"
#include "core/files/mdi.h"
#include "core/files/text_loader.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "platform/clock.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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
                       Clock& clock, ConsoleTimers timers, Hooks hooks)
    : m_state(state), m_message(message), m_prompts(prompts), m_link(link), m_transfer(transfer),
      m_watchdog(watchdog), m_files(files), m_mdi(mdi), m_hold(hold), m_timers(timers),
      m_hooks(std::move(hooks)),
      m_upload(clock, {
                          .write = [this](const QByteArray& f) { return m_link.write(f); },
                          .read = [this] { return m_link.port() ? m_link.port()->read(4096) : QByteArray(); },
                          .headerAccepted =
                              [this] {
                                  m_timers.Timer3.setEnabled(true);
                                  m_watchdog.arm(10);
                                  m_message.show(QStringLiteral("; .. Send ARM .. ;"));
                              },
                          .dataAccepted =
                              [this](int n) {
                                  m_files.advanceGauge(n);
                                  m_state.watchdog.WatchdogLimit += 10;
                              },
                          .finished = [this](ArmUploader::Outcome o) { uploadFinished(o); },
                      }) {}

FileSender::~FileSender() = default;

void FileSender::ButtonSendOutClick() {
    if (!m_files.fileListed() || m_transfer.active() || m_upload.running())
        return;
    const int item = m_files.sendItem();
    if (item == kArmTypeIndex) {
        startUpload();
        return;
    }
    const QString name = bareName(m_files.view().LabelFileName);
    m_errorAtStart = m_state.live.LastErrorNumber;
    m_hooks.setOperationEnabled(false);
    m_watchdog.arm(10);
    m_message.show(QStringLiteral("; .. Stop Report .. ;"));
    m_files.setGauge(0);
    if (!WarningOff && warnsBeforeSending(item)) {
        const UploadWarningAnswer answer = m_prompts.askUploadWarning();
        WarningOff = answer.warningOff;
        if (!answer.upload) {
            m_hooks.setOperationEnabled(true);
            return;
        }
    }
    // A Reset pressed while nothing ran is spent; it must not break this send.
    m_state.watchdog.ResetPending = false;
    m_timers.Timer3.setEnabled(true);
    announce(item);
    m_timers.TimerMdi_go.setEnabled(false);
}

void FileSender::announce(int item) {
    const SendFileType& type = *sendFileType(item);
    const QByteArray name = bareName(m_files.view().LabelFileName).toLatin1();
    if (!type.dnc)
        m_link.SendLinkReset();
    m_transfer.requestSend(item);
    m_link.SendNamedValueWrite(kAnnounceVariable, *type.typeCode, name);
    // During a DNC run the operator keeps the window, and without the link reset the status
    // stream goes on.
    if (type.dnc)
        m_hooks.setOperationEnabled(true);
}

void FileSender::startPump() {
    const int item = m_transfer.sendItem();
    if (item == kDncTypeIndex) {
        m_dncLines = m_files.dncLines();
        m_dncPath = m_files.loadedPath();
        const auto total = static_cast<qint32>(m_dncLines->count());
        m_dncFirstIndex = std::clamp(m_dncStartLine - 1, 0, total);
        m_dncStartLine = 1; // a start line holds for one run
        m_dncLineIndex = m_dncFirstIndex;
        m_dncLineCount = total - m_dncFirstIndex;
        m_dncLastOut = m_dncFirstIndex;
        m_journalLine = -1;
        m_files.setGauge(0, gaugeValue(m_dncLineCount));
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
    m_message.show(QStringLiteral("; .. DSR Off --> Break .. ;"));
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

void FileSender::pumpFrame() {
    SerialPort& port = *m_link.port();
    // Data written while the controller is away (DSR off) would be lost: the pump waits for it as
    // it waits for CTS.
    const bool lineFree = port.outputCount() <= kQueueLimit && m_state.line.CtsReady && m_state.line.LinkUp &&
                          !m_transfer.XoffHold();
    if (SendRemaining() >= kChunk) {
        m_watchdog.feed();
        if (!lineFree)
            return;
        const qint64 n = m_link.write(m_buffer.mid(m_written, kChunk));
        if (n > 0) {
            m_written += n;
            m_transfer.countWritten(n);
            m_files.advanceGauge(static_cast<int>(n));
        }
        return;
    }
    if (SendRemaining() > 0) {
        if (!lineFree)
            return;
        const qint64 n = m_link.write(m_buffer.mid(m_written));
        if (n > 0) {
            m_written += n;
            m_transfer.countWritten(n);
            m_files.advanceGauge(static_cast<int>(n));
        }
        if (SendRemaining() > 0)
            return;
    }
    finish();
}

void FileSender::pumpDnc() {
    m_watchdog.feed();
    SerialPort& port = *m_link.port();
    const bool queueEmpty = port.outputCount() == 0;
    if (queueEmpty && m_dncLastOut != m_dncLineIndex) {
        m_dncLastOut = m_dncLineIndex; // every line handed over so far has left
        if (m_dncLastOut - m_journalLine >= 500)
            writeJournal();
    }
    if (!m_transfer.XoffHold() && m_dncLineCount > 0 && queueEmpty) {
        const QByteArray line = m_dncLines->line(m_dncLineIndex);
        if (m_dncLineIndex >= m_files.DncListedCount())
            m_files.showDncLineSent(m_dncLines, m_dncLineIndex);
        const QByteArray text = dncWireText(line, m_dncLineIndex == m_dncFirstIndex, m_dncLineCount == 1);
        const qint64 n = port.write(text);
        m_files.advanceGauge(1);
        m_transfer.countWritten(std::max<qint64>(n, 0));
        ++m_dncLineIndex;
        --m_dncLineCount;
        // Counted first: the message box runs an event loop in which the pump ticks on.
        if (n < text.size())
            m_prompts.showMessage(QStringLiteral("Write Error!"));
        return;
    }
    if (m_dncLineCount > 0)
        return;
    finish();
}

void FileSender::finish() {
    if (m_transfer.sendItem() == kDncTypeIndex) {
        // The run is complete: nothing to resume.
        if (!m_dncPath.isEmpty())
            QFile::remove(journalPath(m_dncPath));
        m_journalLine = -1;
    }
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer3.setEnabled(false);
    m_message.show(QStringLiteral("; .. Sended .. @ ;"));
    const int item = m_transfer.sendItem();
    m_buffer.clear();
    m_written = 0;
    m_dncLines.reset();
    m_transfer.finishSend();
    m_verdictTicks = 0;
    m_transfer.awaitVerdict();
    flashStep(item);
    // The link reset before the announcement stopped the status stream; it is asked for afresh. A DNC
    // run kept its stream, and a request now would reset the link under the lines the controller
    // still holds.
    if (item != kDncTypeIndex)
        m_state.block.PollBlockChanged = true;
    m_hooks.setOperationEnabled(true);
}

void FileSender::statusAccepted() {
    // Frames still streaming for the old subscription say nothing about the file, and a DNC run is
    // done when its last line has left.
    if (!m_transfer.awaitingVerdict() || m_state.block.PollBlockChanged ||
        m_transfer.sendItem() == kDncTypeIndex)
        return;
    const int error = m_state.live.LastErrorNumber;
    if (error != 0 && error != m_errorAtStart)
        m_transfer.reportFailure(QStringLiteral("the controller refused the file (error %1)").arg(error));
    else
        m_transfer.report({TransferEnd::Kind::Sent, {}});
}

void FileSender::verdictTick() {
    if (!m_transfer.awaitingVerdict())
        return;
    SerialPort* port = m_link.port();
    // Bytes still queued when the port went away never reached the controller.
    if (!port || !port->isOpen()) {
        m_transfer.reportFailure(QStringLiteral("link lost before the controller had the whole file"));
        return;
    }
    if (m_transfer.sendItem() == kDncTypeIndex) {
        if (port->outputCount() == 0)
            m_transfer.report({TransferEnd::Kind::Sent, {}});
        return;
    }
    // Every byte left; without a word from the controller the send counts as done.
    if (port->outputCount() == 0 && ++m_verdictTicks > kVerdictTicks)
        m_transfer.report({TransferEnd::Kind::Sent, {}});
}

QString FileSender::journalPath(const QString& program) {
    return program + QStringLiteral(".dnc-resume");
}

void FileSender::writeJournal() {
    if (m_dncPath.isEmpty())
        return;
    QSaveFile out(journalPath(m_dncPath));
    if (out.open(QIODevice::WriteOnly) && out.write(QByteArray::number(m_dncLastOut) + '\n') > 0 &&
        out.commit())
        m_journalLine = m_dncLastOut;
}

void FileSender::confirmDncLinesOut() {
    SerialPort* port = m_link.port();
    if (m_journalLine < 0 || !port || !port->isOpen() || port->outputCount() != 0)
        return;
    m_dncLastOut = m_dncLineIndex;
    writeJournal();
}

void FileSender::transferEnded(bool failed) {
    if (failed && m_dncLines && m_transfer.sendItem() == kDncTypeIndex) {
        writeJournal();
        m_dncLines.reset();
        m_timers.Timer1.setEnabled(false);
    }
}

void FileSender::flashStep(int item) {
    const SendFileType& type = *sendFileType(item);
    if (type.flashCommand)
        m_message.show(QString::fromLatin1(type.flashCommand));
    if (m_files.flashChecked() && type.flashWrite)
        m_mdi.armFlashWrite();
    else
        m_hold.pause(Mdi::kFlashWriteMs, [this] { m_state.seq.Resyncing = true; });
    m_state.LastMdiText = m_message.text();
}

// ---- the 8-bit upload

void FileSender::startUpload() {
    if (!m_state.line.CtsReady || !m_state.line.LinkUp)
        return;
    m_state.watchdog.ResetPending = false;
    m_link.SendValueWrite(kUploadVariable, 255);
    m_hold.pause(kUploadPauseMs, [this] { reopenForUpload(); });
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
    m_state.seq.Resyncing = true;
    m_state.block.PollBlockChanged = true;
    m_timers.Timer2.setEnabled(linked);
    m_hooks.setOperationEnabled(linked);
    const int frame = m_upload.frameNumber();
    switch (outcome) {
    case ArmUploader::Outcome::Done:
        m_message.show(QStringLiteral("; .. Sended .. @ ;"));
        m_transfer.report({TransferEnd::Kind::Sent, {}});
        break;
    case ArmUploader::Outcome::Refused:
        m_message.show(QStringLiteral("; .. Send ARM Refused .. ;"));
        m_transfer.reportFailure(QStringLiteral("controller refused frame %1").arg(frame));
        break;
    case ArmUploader::Outcome::TimedOut:
        m_message.show(QStringLiteral("; .. Handshake Time Out .. ;"));
        m_transfer.reportFailure(lineDropped
                                     ? (m_state.line.LinkUp ? QStringLiteral("the controller held CTS off")
                                                            : QStringLiteral("link lost (DSR off)"))
                                     : QStringLiteral("no answer to frame %1").arg(frame));
        break;
    case ArmUploader::Outcome::Stopped:
        m_message.show(QStringLiteral("; .. Reset --> Break .. ;"));
        m_transfer.reportFailure(QStringLiteral("reset"));
        break;
    }
}

} // namespace velmorix
