#pragma once

#include "core/files/dnc_lines.h"
#include "core/files/file_types.h"
#include "core/files/hex_image.h"
#include "core/files/read_file.h"
#include "core/files/text_loader.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

namespace velmorix {

struct ConsoleState;
class MessageLine;
class Transfer;
class Prompts;
class Timer;

// What the file-service page shows.
struct FilePageView {
    bool sendRow = false; // the send row is selected; at start the receive row is
    int sendItem = 0;     // ComboBoxSendFile
    int recvItem = 0;     // ComboBoxRecvFile
    QStringList sendItems;
    QStringList recvItems;
    QList<QByteArray> listLines; // ListBoxFileSvc; a loaded file shows here, an empty list means none
    // The lines of a DNC run sent past the listed ones follow the list, made from the run's own lines
    // when shown, so a run of a million lines keeps its memory flat.
    std::shared_ptr<const DncLines> sentTail;
    qint32 sentTailFrom = 0;  // index of the first line in sentTail
    qint32 sentTailCount = 0; // lines of it shown
    int listExtentChars = 0;  // horizontal scroll extent in widths of "A"
    int listRevision = 0;     // changes when the list is replaced or cleared, not when appended to
    bool listOfBytes = false; // the lines show a file's bytes (a hex type): one character a byte
    bool textLoading = false; // a text load runs: ButtonOpenFile reads "Break"
    bool ComboBoxSendFileEnabled = false;
    bool ButtonOpenFileEnabled = false;
    bool ButtonSendOutEnabled = false;
    bool CheckBoxFlashEnabled = false;
    bool ComboBoxRecvFileEnabled = true;
    bool ButtonRecvInEnabled = true;
    bool ButtonSaveFileEnabled = true;
    bool CheckBoxFlash = false; // "w2Flash"

    QString LabelFileName = QStringLiteral("File Name");
    QString LabelFileNameHint;
    QString LabelFileSize = QStringLiteral("File Size");
    QString LabelFileSizeHint;
    QString LabelFileTime = QStringLiteral("File Date");
    int gaugePosition = 0; // CGauge
    int gaugeMax = 100;
    // A broken-off DNC run: the line to resume from, selected and scrolled to (0: none). The
    // revision changes each time one is shown.
    qint32 resumeLine = 0;
    int resumeRevision = 0;

    qsizetype rowCount() const { return listLines.size() + sentTailCount; }
    // The row that shows program line `line` (1 = the first) of a DNC list; -1 when none does.
    qsizetype rowOfLine(qint32 line) const;
    // Row r of the list as it shows: a list line, or ";[nnnnnnnn] line" of the DNC tail.
    QByteArray row(qsizetype r) const;

    QString openFileCaption() const {
        return textLoading ? QStringLiteral("Break") : QStringLiteral("OpenFile");
    }
};

// The file-service page up to the moment of sending: the two rows, the type lists, opening a file
// of a send type and turning it into what goes over the line, and what the page shows of it.
// Loading runs in slices on the event loop, so the window paints, the gauge moves, the poll goes on
// and "Break" stops a text load at once.
class FilePage {
public:
    enum class Row { None, Send, Recv };
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };
    // Bytes walked per slice of a load, and read per slice before it.
    static constexpr qint64 kSliceBytes = 256 * 1024;
    static constexpr qint64 kReadSliceBytes = 2 * 1024 * 1024;

    FilePage(ConsoleState& state, MessageLine& message, Prompts& prompts, const Transfer& transfer,
             Timer& loadTimer, Hooks hooks);
    ~FilePage();

    void ButtonOpenFileClick();
    // Loads a file of the selected send type, as the open dialog's choice would; the reason when it
    // cannot be read (the load itself runs on in slices).
    QString openFile(const QString& path);
    // The send row with this type, or the receive row with this type, as the operator would choose them.
    void selectSend(int item);
    void selectReceive(int item);
    void ComboBoxSendFileChange(int item);
    void ComboBoxRecvFileChange(int item);
    void GroupBoxOperateMouseDown(Row row);
    void CheckBoxFlashClick(bool checked) { m_view.CheckBoxFlash = checked; }
    // The service access adds "U:PLC" at the end of the receive list, once, and selects item 0.
    void addServiceReceiveTypes();
    // One slice of the running load (the load timer's handler).
    void loadStep();

    const FilePageView& view() const { return m_view; }
    // A send or receive runs: the rows start nothing new and keep the file it works on.
    bool transferRunning() const;
    bool loading() const { return m_reader || m_text || m_hex; }

    // What the transfers show here.
    bool flashChecked() const { return m_view.CheckBoxFlash; }
    void setFlashChecked(bool on) { m_view.CheckBoxFlash = on; }
    void setGauge(int position) { m_view.gaugePosition = position; }
    void setGauge(int position, int maximum) {
        m_view.gaugeMax = maximum;
        m_view.gaugePosition = position;
    }
    // "@WRITE(name)": the name the controller announced, also as the label's hint.
    void showAnnouncedName(const QByteArray& name);
    // The size label follows a receive as it grows, and a DNC run past its listed lines.
    void showSize(const QString& size);
    void advanceGauge(int by) { m_view.gaugePosition += by; }
    // A DNC line sent past the listed ones joins the list as ";[nnnnnnnn] line".
    void showDncLineSent(const std::shared_ptr<const DncLines>& lines, qint32 index);
    // A DNC run broke off: the line to resume from is selected in the list.
    void showResumeLine(qint32 line) {
        m_view.resumeLine = line;
        ++m_view.resumeRevision;
    }

    // A new list (a load, a received file) with its scroll extent in characters.
    void replaceList(QList<QByteArray> lines, int extentChars, bool ofBytes = false);

    // What the last loads produced, for the sender. The list doubles as the mark that a file is
    // loaded: nothing is sent while it is empty.
    bool fileListed() const { return m_view.rowCount() > 0; }
    int sendItem() const { return m_view.sendItem; }
    int recvItem() const { return m_view.recvItem; }
    // "File Name", "File Size", "File Date".
    void resetLabels();
    // The path a received file was saved to.
    void showSavedName(const QString& path);
    const QByteArray& TransferImage() const { return m_transferImage; }
    // Shared, so a DNC run keeps the lines it started with whatever is loaded meanwhile.
    std::shared_ptr<const DncLines> dncLines() const { return m_dncLines; }
    qint32 DncListedCount() const { return m_dncListedCount; }
    const QByteArray& ArmImage() const { return m_armImage; }
    // The file the last load read, and its bytes as read (shared, not copied).
    const QString& loadedPath() const { return m_loadPath; }
    const QByteArray& loadedBytes() const { return m_loadedBytes; }
    // Why the last file could not be read ("Cannot read …: …"); empty when it could.
    const QString& readError() const { return m_readError; }
    bool LoadCancelRequested = false;

private:
    void clearList();
    std::optional<QString> chooseFile(const char* filter);
    std::optional<QByteArray> readFile(const QString& path);
    static QString readErrorText(const QString& path, const QString& reason);
    bool startReading(const QString& path, LoaderKind kind);
    void readStep();
    void startTextLoad(const QString& path);
    void loadText(const QString& path, QByteArray bytes);
    void startHexLoad(const QString& path);
    void loadHex(const QString& path, QByteArray bytes);
    void loadRaw(const QString& path);
    void finishText();
    void finishHex();
    void showFileLabels(const QString& path, const QString& size);
    void releaseLock();

    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    const Transfer& m_transfer;
    Timer& m_timer;
    Hooks m_hooks;
    FilePageView m_view;
    std::unique_ptr<FileReader> m_reader; // the file being read, before its load
    QString m_readPath;
    LoaderKind m_readFor = LoaderKind::Text;
    bool m_showReadErrors = false; // the operator opened it: a failure part-way is said in a message box
    std::unique_ptr<TextLoader> m_text;
    std::unique_ptr<HexPacker> m_hex;
    QString m_loadPath;
    QByteArray m_loadedBytes;
    QString m_readError; // why the last file could not be read
    QByteArray m_transferImage;
    std::shared_ptr<const DncLines> m_dncLines = std::make_shared<DncLines>();
    qint32 m_dncListedCount = 0;
    QByteArray m_armImage;
};

} // namespace velmorix
