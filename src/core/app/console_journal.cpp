// The transfer journal's record of every transfer, the window's and the engine's own calls' alike:
// begun with what is known when the transfer starts, completed at the one place its end is settled.
#include "core/app/console.h"

#include "core/base/setup_code.h"
#include "core/files/file_types.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace velmorix {

void Console::recordBegan(bool sending) {
    m_record.reset();
    if (!m_journal)
        return;
    JournalRecord r;
    r.recordId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.started = m_clock.localDateTime();
    m_recordStartUs = m_clock.nowUs();
    r.port = portName(m_state.comm, m_state.env.ComStartNum);
    r.device = m_link.device();
    if (SerialPort* port = m_link.port())
        r.lineSettings = lineSettingsText(port->settings());
    r.controllerSerial = m_state.view.statusPanels[4].trimmed();
    r.sending = sending;
    if (sending) {
        const SendFileType* type = sendFileType(m_filePage.sendItem());
        r.fileType = type ? QString::fromLatin1(type->item) : QString();
        r.textType = type && type->loader == LoaderKind::Text;
        r.filePath = QFileInfo(m_filePage.loadedPath()).absoluteFilePath();
        r.fileName = QFileInfo(r.filePath).fileName();
        r.content = m_filePage.sendItem() == kArmTypeIndex ? m_filePage.ArmImage() : m_filePage.loadedBytes();
        r.hasContent = true;
    } else {
        const RecvFileType* type = recvFileType(m_filePage.recvItem());
        r.fileType = type ? QString::fromLatin1(type->item) : QString();
        r.textType = type && type->save == SaveMethod::Text;
        r.fileName = type ? QString::fromLatin1(type->nameSent) : QString();
    }
    m_record = std::move(r);
}

void Console::recordEnded(TransferEnd& end) {
    if (!m_journal || !m_record)
        return;
    JournalRecord r = std::move(*m_record);
    m_record.reset();
    r.ended = m_clock.localDateTime();
    r.durationMs = (m_clock.nowUs() - m_recordStartUs) / 1000;
    r.outcome = end.kind;
    r.reason = end.reason;
    r.errorNumber = end.errorNumber;
    if (end.kind == TransferEnd::Kind::Refused) {
        const QStringList& texts = m_tables.ErrorTexts;
        r.errorText = end.errorNumber >= 0 && end.errorNumber < texts.size()
                          ? texts[end.errorNumber].trimmed()
                          : QString();
    }
    r.lastLine = end.lastLine;
    r.resumeLine = end.resumeLine;
    if (!r.sending) {
        // What came is named as the controller announced it, or as it was saved; its content is what
        // the save wrote, or would write.
        const bool arrived =
            m_filePage.fileListed() && !m_receiver.listing() &&
            (end.ok() || end.kind == TransferEnd::Kind::NotWhole || end.kind == TransferEnd::Kind::NotSaved);
        if (arrived) {
            r.fileName = m_receiver.proposedFileName();
            r.content = end.savedBytes.isEmpty() ? m_receiver.fileBytes() : end.savedBytes;
            r.hasContent = true;
        }
        if (!end.savedPath.isEmpty()) {
            r.filePath = QFileInfo(end.savedPath).absoluteFilePath();
            r.fileName = QFileInfo(r.filePath).fileName();
        }
    }
    if (end.compared) {
        r.compared = end.compared->summary();
        r.verifies = end.compared->verifies;
    }
    end.recordId = r.recordId;
    m_journal->write(std::move(r));
}

void Console::noteAside(const QString& note) {
    run([=, this] {
        const MessageLine::Writer writer = m_message.writer();
        if ((writer == MessageLine::Writer::Verdict || writer == MessageLine::Writer::Operator) &&
            !m_message.isEmpty())
            m_message.show(writer, m_message.text() + QLatin1Char(' ') + note);
        else
            m_message.note(note);
    });
}

} // namespace velmorix
