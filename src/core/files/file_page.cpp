#include "core/files/file_page.h"

#include "core/base/message_line.h"
#include "core/base/prompts.h"
#include "core/base/state.h"
#include "core/files/file_date.h"
#include "core/files/file_types.h"
#include "core/files/read_file.h"
#include "core/files/transfer.h"
#include "platform/clock.h"

#include <QDir>
#include <QFileInfo>

#include <climits>

namespace velmorix {

FilePage::FilePage(ConsoleState& state, MessageLine& message, Prompts& prompts, const Transfer& transfer,
                   Timer& loadTimer, Hooks hooks)
    : m_state(state), m_message(message), m_prompts(prompts), m_transfer(transfer), m_timer(loadTimer),
      m_hooks(std::move(hooks)) {
    for (const SendFileType& t : sendFileTypes())
        m_view.sendItems << QString::fromLatin1(t.item);
    for (const RecvFileType& t : recvFileTypes())
        if (!t.serviceOnly)
            m_view.recvItems << QString::fromLatin1(t.item);
}

FilePage::~FilePage() = default;

void FilePage::clearList() {
    replaceList({}, 0);
}

void FilePage::replaceList(QList<QByteArray> lines, int extentChars, bool ofBytes) {
    m_view.listLines = std::move(lines);
    m_view.listOfBytes = ofBytes;
    m_view.sentTail.reset();
    m_view.sentTailCount = 0;
    m_view.listExtentChars = extentChars;
    ++m_view.listRevision;
}

void FilePage::releaseLock() {
    m_hooks.setOperationEnabled(true);
}

bool FilePage::transferRunning() const {
    return m_transfer.active() || m_transfer.ArmSending();
}

void FilePage::ComboBoxSendFileChange(int item) {
    if (transferRunning())
        return;
    if (item >= 0 && item < m_view.sendItems.size())
        m_view.sendItem = item;
    clearList();
    resetLabels();
}

void FilePage::addServiceReceiveTypes() {
    for (const RecvFileType& t : recvFileTypes()) {
        const QString item = QString::fromLatin1(t.item);
        if (t.serviceOnly && !m_view.recvItems.contains(item))
            m_view.recvItems << item;
    }
    m_view.recvItem = 0;
}

void FilePage::resetLabels() {
    m_view.LabelFileName = QStringLiteral("File Name");
    m_view.LabelFileNameHint.clear();
    m_view.LabelFileSize = QStringLiteral("File Size");
    m_view.LabelFileSizeHint.clear();
    m_view.LabelFileTime = QStringLiteral("File Date");
}

void FilePage::showSavedName(const QString& path) {
    m_view.LabelFileName = path;
    m_view.LabelFileNameHint = path;
}

void FilePage::showSize(const QString& size) {
    m_view.LabelFileSize = size;
    m_view.LabelFileSizeHint = size;
}

QByteArray FilePageView::row(qsizetype r) const {
    if (r < listLines.size())
        return listLines[r];
    const qint32 index = sentTailFrom + static_cast<qint32>(r - listLines.size());
    return sentTail ? textListLine(index + 1, sentTail->line(index)) : QByteArray();
}

qsizetype FilePageView::rowOfLine(qint32 line) const {
    if (line < 1)
        return -1;
    // The listed lines are numbered from 1 in order; lines sent past them follow.
    if (line <= listLines.size() && listLines[line - 1].startsWith(textListLine(line, {}).left(11)))
        return line - 1;
    const qint32 tail = line - 1 - sentTailFrom;
    if (sentTail && tail >= 0 && tail < sentTailCount)
        return listLines.size() + tail;
    return -1;
}

void FilePage::showDncLineSent(const std::shared_ptr<const DncLines>& lines, qint32 index) {
    if (m_view.sentTail != lines || m_view.sentTailFrom + m_view.sentTailCount != index) {
        m_view.sentTail = lines;
        m_view.sentTailFrom = index;
        m_view.sentTailCount = 0;
    }
    ++m_view.sentTailCount;
    showSize(QString::number(index + 1));
    ++m_dncListedCount;
}

void FilePage::showAnnouncedName(const QByteArray& name) {
    m_view.LabelFileName =
        QStringLiteral("% CNC\\ WRITE(") + QString::fromLatin1(name) + QStringLiteral(") %");
    m_view.LabelFileNameHint = m_view.LabelFileName;
}

void FilePage::ComboBoxRecvFileChange(int item) {
    if (transferRunning())
        return;
    if (item >= 0 && item < m_view.recvItems.size())
        m_view.recvItem = item;
    ComboBoxSendFileChange(m_view.sendItem);
}

void FilePage::GroupBoxOperateMouseDown(Row row) {
    if (m_view.textLoading || transferRunning())
        return;
    m_message.clear();
    const bool toSend = row == Row::Send && !m_view.sendRow;
    const bool toRecv = row == Row::Recv && m_view.sendRow;
    if (toSend || toRecv) {
        clearList();
        m_view.sendRow = toSend;
        m_view.ComboBoxRecvFileEnabled = m_view.ButtonRecvInEnabled = m_view.ButtonSaveFileEnabled = toRecv;
        m_view.ComboBoxSendFileEnabled = m_view.ButtonOpenFileEnabled = m_view.ButtonSendOutEnabled =
            m_view.CheckBoxFlashEnabled = toSend;
    }
    m_view.gaugePosition = 0;
}

std::optional<QString> FilePage::chooseFile(const char* filter) {
    FileDialogRequest request;
    request.filter = qtFileFilter(QString::fromLatin1(filter));
    request.initialDir = m_state.OpenDialogDir;
    const auto chosen = m_prompts.chooseOpenFile(request);
    if (!chosen)
        return std::nullopt;
    if (chosen->isEmpty())
        return std::nullopt;
    m_state.OpenDialogDir = QFileInfo(*chosen).absolutePath();
    return chosen;
}

std::optional<QByteArray> FilePage::readFile(const QString& path) {
    FileContent content = readWholeFile(path);
    if (!content.ok) {
        m_readError = readErrorText(path, content.error);
        return std::nullopt;
    }
    m_loadedBytes = content.bytes;
    return std::move(content.bytes);
}

QString FilePage::readErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("Cannot read %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

bool FilePage::startReading(const QString& path, LoaderKind kind) {
    auto reader = std::make_unique<FileReader>();
    if (!reader->open(path)) {
        m_readError = readErrorText(path, reader->error());
        return false;
    }
    m_reader = std::move(reader);
    m_readPath = path;
    m_readFor = kind;
    m_timer.setEnabled(true);
    return true;
}

// One slice of the file being read; once it is all there, its load starts.
void FilePage::readStep() {
    if (!m_reader->step(kReadSliceBytes)) {
        m_readError = readErrorText(m_readPath, m_reader->error());
        m_reader.reset();
        m_timer.setEnabled(false);
        m_view.textLoading = false;
        LoadCancelRequested = false;
        releaseLock();
        if (m_showReadErrors)
            m_prompts.showMessage(m_readError);
        return;
    }
    if (!m_reader->done())
        return;
    QByteArray bytes = m_reader->takeBytes();
    m_reader.reset();
    m_loadedBytes = bytes; // shared with what the load keeps, not copied
    if (m_readFor == LoaderKind::Text)
        loadText(m_readPath, std::move(bytes));
    else
        loadHex(m_readPath, std::move(bytes));
}

void FilePage::showFileLabels(const QString& path, const QString& size) {
    showSize(size);
    if (const auto date = FileDateText(path))
        m_view.LabelFileTime = *date;
    m_view.LabelFileName = QDir::toNativeSeparators(path);
    m_view.LabelFileNameHint = m_view.LabelFileName;
}

void FilePage::ButtonOpenFileClick() {
    if (m_view.textLoading) {
        LoadCancelRequested = true;
        return;
    }
    const SendFileType* type = sendFileType(m_view.sendItem);
    if (!type || transferRunning())
        return;
    m_message.clear();
    const auto path = chooseFile(type->filter);
    if (!path)
        return;
    if (const QString error = openFile(*path); !error.isEmpty())
        m_prompts.showMessage(error);
    else
        m_showReadErrors = true; // a file that fails part-way through its reading is said too
}

QString FilePage::openFile(const QString& path) {
    const SendFileType* type = sendFileType(m_view.sendItem);
    if (!type || transferRunning() || loading())
        return QStringLiteral("A transfer or a load is running");
    m_readError.clear();
    m_showReadErrors = false;
    clearList();
    switch (type->loader) {
    case LoaderKind::Text:
        startTextLoad(path);
        break;
    case LoaderKind::Hex:
        startHexLoad(path);
        break;
    case LoaderKind::Raw:
        loadRaw(path);
        break;
    }
    return m_readError;
}

void FilePage::selectSend(int item) {
    GroupBoxOperateMouseDown(Row::Send);
    ComboBoxSendFileChange(item);
}

void FilePage::selectReceive(int item) {
    GroupBoxOperateMouseDown(Row::Recv);
    ComboBoxRecvFileChange(item);
}

void FilePage::startTextLoad(const QString& path) {
    const bool dnc = m_view.sendItem == kDncTypeIndex;
    m_view.textLoading = true;
    m_state.view.controls.GroupBoxOperate = true;
    m_view.ButtonOpenFileEnabled = true;
    m_view.ComboBoxSendFileEnabled = m_view.ButtonSendOutEnabled = m_view.CheckBoxFlashEnabled = false;
    if (dnc) {
        m_dncLines = std::make_shared<DncLines>();
        m_dncListedCount = 0;
    } else {
        // Everything but the page's own group box is locked, so "Break" stays usable.
        m_hooks.setOperationEnabled(false);
        m_state.view.controls.GroupBoxOperate = true;
    }
    // The file is read in slices, as it is then walked: a file of hundreds of megabytes never holds
    // the window.
    if (!startReading(path, LoaderKind::Text)) {
        m_view.textLoading = false;
        releaseLock();
    }
}

void FilePage::loadText(const QString& path, QByteArray bytes) {
    if (bytes.isEmpty()) {
        m_timer.setEnabled(false);
        showSize(QStringLiteral("0"));
        m_view.textLoading = false;
        releaseLock();
        return;
    }
    m_view.gaugeMax = static_cast<int>(std::min<qint64>(bytes.size(), INT_MAX));
    m_view.gaugePosition = 0;
    m_transferImage.clear();
    m_loadPath = path;
    m_text = std::make_unique<TextLoader>(std::move(bytes), m_view.sendItem == kDncTypeIndex);
}

void FilePage::startHexLoad(const QString& path) {
    m_hooks.setOperationEnabled(false);
    if (!startReading(path, LoaderKind::Hex))
        releaseLock();
}

void FilePage::loadHex(const QString& path, QByteArray bytes) {
    if (bytes.isEmpty()) {
        m_timer.setEnabled(false);
        releaseLock();
        return;
    }
    m_view.gaugeMax = static_cast<int>(std::min<qint64>(bytes.size(), INT_MAX));
    m_view.gaugePosition = 1;
    m_loadPath = path;
    m_hex = std::make_unique<HexPacker>(std::move(bytes));
}

void FilePage::loadRaw(const QString& path) {
    const auto bytes = readFile(path);
    if (!bytes)
        return;
    m_armImage = *bytes;
    m_loadPath = path;
    const QByteArray line = rawListLine(path);
    replaceList({line}, static_cast<int>(line.size()) + 12);
    showFileLabels(path, QString::number(bytes->size()));
}

void FilePage::loadStep() {
    if (m_reader) {
        readStep();
    } else if (m_text) {
        // "Break" stops a text load between two slices; a DNC load runs to its end.
        if (LoadCancelRequested && m_view.sendItem != kDncTypeIndex)
            m_text->cancel();
        else
            m_text->step(kSliceBytes);
        m_view.gaugePosition = static_cast<int>(std::min<qint64>(m_text->processed(), INT_MAX));
        if (m_text->done() || m_text->cancelled())
            finishText();
    } else if (m_hex) {
        m_hex->step(kSliceBytes);
        m_view.gaugePosition = static_cast<int>(std::min<qint64>(m_hex->processed(), INT_MAX));
        if (m_hex->done())
            finishHex();
    } else {
        m_timer.setEnabled(false);
    }
}

void FilePage::finishText() {
    m_timer.setEnabled(false);
    auto loader = std::move(m_text);
    const bool dnc = m_view.sendItem == kDncTypeIndex;
    m_transferImage = loader->takeImage();
    if (loader->cancelled()) {
        // The labels name the file that was broken off, with the lines reached; with the list
        // empty nothing of it can be sent.
        clearList();
        m_view.gaugePosition = 0;
    } else {
        ++m_view.listRevision;
        m_view.listLines = loader->takeListLines();
        m_view.listExtentChars = loader->longestLine() + 12;
        if (dnc) {
            m_dncLines = std::make_shared<DncLines>(loader->takeDncLines());
            m_dncListedCount = loader->listedDncLines();
            if (loader->cut())
                m_view.gaugePosition = m_view.gaugeMax;
        }
    }
    showFileLabels(m_loadPath, QString::fromLatin1(loader->sizeLabel()));
    m_view.textLoading = false;
    releaseLock();
    LoadCancelRequested = false;
    m_view.ComboBoxSendFileEnabled = m_view.ButtonSendOutEnabled = m_view.CheckBoxFlashEnabled = true;
}

void FilePage::finishHex() {
    m_timer.setEnabled(false);
    auto packer = std::move(m_hex);
    m_transferImage = packer->takeImage();
    replaceList(packer->takeListLines(), 96, true);
    showFileLabels(m_loadPath, QString::number(packer->total()));
    releaseLock();
}

} // namespace velmorix
