#include "core/files/file_receiver.h"

#include "core/base/message_line.h"
#include "core/base/prompts.h"
#include "core/base/state.h"
#include "core/files/file_page.h"
#include "core/files/file_types.h"
#include "core/files/transfer.h"
#include "core/link/digits.h"
#include "core/link/link.h"
#include "core/link/watchdog.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <climits>

namespace velmorix {

FileReceiver::FileReceiver(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link,
                           Transfer& transfer, Watchdog& watchdog, FilePage& files, Timer& listTimer,
                           ConsoleTimers timers, Hooks hooks)
    : m_state(state), m_message(message), m_prompts(prompts), m_link(link), m_transfer(transfer),
      m_watchdog(watchdog), m_files(files), m_listTimer(listTimer), m_timers(timers),
      m_hooks(std::move(hooks)) {}

FileReceiver::~FileReceiver() = default;

bool FileReceiver::request() {
    const RecvFileType* type = recvFileType(m_files.recvItem());
    if (!type || m_transfer.active() || m_transfer.ArmSending() || listing())
        return false;
    m_item = type->index;
    m_searched = 0;
    m_hooks.setOperationEnabled(false);
    m_watchdog.arm(10);
    m_watchdog.clearBreak();
    m_timers.Timer3.setEnabled(true);
    m_message.clear();
    m_files.setGauge(0);
    if (type->linkResetFirst)
        m_link.SendLinkReset();
    m_link.SendNamedValueWrite(kAnnounceVariable, type->typeCode, type->nameSent);
    m_transfer.requestReceive();
    m_message.note(QStringLiteral("; Call CNC_Send ") + QString::fromLatin1(type->nameSent) +
                   QStringLiteral(" @ ;"));
    m_files.resetLabels();
    m_timers.TimerMdi_go.setEnabled(false);
    return true;
}

void FileReceiver::bodyArriving() {
    m_watchdog.feed();
    const QByteArray& rx = m_transfer.RxText();
    // Only what arrived since the last tick can hold the end: a body of megabytes is not searched
    // again from its start every tick.
    const qsizetype dc4 = rx.indexOf(ctl::DC4, m_searched);
    m_searched = rx.size();
    if (dc4 < 0)
        return;
    m_timers.Timer3.setEnabled(false);
    // The body without its DC2 and DC4; whatever followed the DC4 is dropped. The list walks it
    // where it stands, in slices, so the tick that sees its end does no work proportional to it.
    QByteArray text = m_transfer.takeRxText();
    // (A DC4 in the first place, where no DC2 stands before it, leaves all that follows it.)
    const qsizetype end = dc4 > 0 ? dc4 : text.size();
    m_transfer.finishReceive();
    m_message.note(QStringLiteral("; .. Convert RxD .. ;"));
    m_files.setGauge(0, static_cast<int>(std::clamp<qsizetype>(end - 1, 0, INT_MAX)));
    if (m_item != kPlcItem)
        m_files.replaceList({}, 0);
    m_lister = std::make_unique<ReceivedLister>(std::move(text), 1, end);
    m_listTimer.setEnabled(true);
}

void FileReceiver::listStep() {
    if (!m_lister) {
        m_listTimer.setEnabled(false);
        return;
    }
    const bool done = m_lister->step(kSliceBytes);
    m_files.setGauge(static_cast<int>(std::min<qsizetype>(m_lister->processed(), INT_MAX)));
    if (done)
        finishList();
}

void FileReceiver::finishList() {
    m_listTimer.setEnabled(false);
    auto lister = std::move(m_lister);
    // A byte the line garbled reaches us as 0 (parity error); a file body never holds one.
    m_garbled = lister->zeroBytes();
    const qsizetype count = lister->lines().size();
    const int extent = lister->longest();
    if (m_item == kPlcItem) {
        m_tsk = lister->takeLines();
        // The visible list only says that the program arrived.
        QList<QByteArray> shown = m_files.view().listLines;
        shown << "......"
              << "...Finished...";
        m_files.replaceList(shown, std::max(m_files.view().listExtentChars, 16));
    } else {
        m_files.replaceList(lister->takeLines(), extent);
    }
    m_files.setGauge(m_files.view().gaugeMax);
    m_files.showSize(QString::number(count));
    m_message.note(QStringLiteral("; .. Done .. ;"));
    // A fresh subscription: the poll cycle asks again, and so will the next page.
    m_state.block.clear();
    m_hooks.setOperationEnabled(true);
    if (m_garbled > 0) {
        const QString why =
            QStringLiteral("the line garbled %1 byte(s) of the file (parity error)").arg(m_garbled);
        m_prompts.showMessage(QStringLiteral("The received file is not whole: %1. Receive it again before "
                                             "saving it.")
                                  .arg(why));
        m_transfer.reportFailure(why);
        return;
    }
    m_transfer.report({TransferEnd::Kind::Received, {}});
}

QList<QByteArray> FileReceiver::linesToSave(int item) const {
    const QList<QByteArray>& source = item == kPlcItem ? m_tsk : m_files.view().listLines;
    QList<QByteArray> lines;
    lines.reserve(source.size());
    for (const QByteArray& l : source)
        lines << l.mid(kReceivedPrefix);
    return lines;
}

QString FileReceiver::writeFile(const QString& path, const QByteArray& bytes) {
    // Written whole beside the target and renamed over it, so a failed save leaves what was there.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), out.errorString());
    return {};
}

QString FileReceiver::mismatchText(const CheckRecords& records) {
    return QStringLiteral("The received data does not match its checksum: the file says %1, its %2 bytes sum "
                          "to %3. The file was saved as received.")
        .arg(records.checksum)
        .arg(records.length)
        .arg(records.sum);
}

QByteArray FileReceiver::fileBytes() const {
    const int item = m_files.recvItem();
    const RecvFileType* type = recvFileType(item);
    if (!type || !m_files.fileListed())
        return {};
    const QList<QByteArray> lines = linesToSave(item);
    // A hex file and a PLC program both decode the lines' digit pairs and end where a length record
    // says the file ends; the others are the lines, each ended by CR LF.
    if (type->save == SaveMethod::PlcProgram || type->save == SaveMethod::HexDecode)
        return savedFileBytes(hexSaveBytes(lines));
    qsizetype size = 0;
    for (const QByteArray& l : lines)
        size += l.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QByteArray& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return bytes;
}

QString FileReceiver::proposedFileName() const {
    const RecvFileType* type = recvFileType(m_files.recvItem());
    QString name = proposedSaveName(m_files.view().LabelFileName);
    if (type && name.isEmpty())
        name = QString::fromLatin1(type->nameSent);
    if (type && QFileInfo(name).suffix().isEmpty())
        name += QLatin1Char('.') + QString::fromLatin1(type->extension);
    return name;
}

QString FileReceiver::saveTo(const QString& path) {
    m_lastSave = {};
    const RecvFileType* type = recvFileType(m_files.recvItem());
    if (!type || !m_files.fileListed() || listing())
        return QStringLiteral("Nothing received to save");
    const QByteArray bytes = fileBytes();
    const qsizetype lines = linesToSave(m_files.recvItem()).size();
    m_files.setGauge(static_cast<int>(std::max<qsizetype>(lines - 1, 0)),
                     static_cast<int>(std::max<qsizetype>(lines - 1, 1)));
    if (const QString error = writeFile(path, bytes); !error.isEmpty())
        return error;
    if (type->save == SaveMethod::PlcProgram || type->save == SaveMethod::HexDecode) {
        const auto records = findCheckRecords(hexSaveBytes(linesToSave(m_files.recvItem())));
        if (records && !records->matches())
            m_lastSave.mismatch = records;
    }
    m_lastSave.written = true;
    m_lastSave.path = path;
    m_files.showSavedName(QDir::toNativeSeparators(path));
    return {};
}

void FileReceiver::ButtonSaveFileClick() {
    m_lastSave = {};
    m_message.clear();
    m_files.setGauge(0);
    if (!m_files.fileListed() || listing())
        return;
    const RecvFileType* type = recvFileType(m_files.recvItem());
    if (!type)
        return;
    FileDialogRequest request;
    request.filter = qtFileFilter(QString::fromLatin1(type->saveFilter));
    request.defaultSuffix = QString::fromLatin1(type->extension);
    request.initialDir = m_state.SaveDialogDir;
    request.proposedName = proposedSaveName(m_files.view().LabelFileName);
    const auto chosen = m_prompts.chooseSaveFile(request);
    if (!chosen)
        return;
    m_state.SaveDialogDir = QFileInfo(*chosen).absolutePath();
    if (chosen->isEmpty())
        return;
    if (const QString error = saveTo(*chosen); !error.isEmpty()) {
        m_prompts.showMessage(error);
        return;
    }
    if (m_lastSave.mismatch)
        m_prompts.showMessage(mismatchText(*m_lastSave.mismatch));
}

} // namespace velmorix
