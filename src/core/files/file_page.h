#pragma once

#include "core/files/dnc_lines.h"
#include "core/files/hex_image.h"
#include "core/files/text_loader.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

namespace velmorix {

struct ConsoleState;
class MessageLine;
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
    int listExtentChars = 0;     // horizontal scroll extent in widths of "A"
    bool textLoading = false;    // a text load runs: ButtonOpenFile reads "Break"
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
    QString LabelFileTime = QStringLiteral("File Date");
    int gaugePosition = 0; // CGauge
    int gaugeMax = 100;

    QString ButtonOpenFileCaption() const {
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
    // Bytes walked per slice of a load.
    static constexpr qint64 kSliceBytes = 256 * 1024;

    FilePage(ConsoleState& state, MessageLine& message, Prompts& prompts, Timer& loadTimer, Hooks hooks);
    ~FilePage();

    void ButtonOpenFileClick();
    void ComboBoxSendFileChange(int item);
    void ComboBoxRecvFileChange(int item);
    void GroupBoxOperateMouseDown(Row row);
    void CheckBoxFlashClick(bool checked) { m_view.CheckBoxFlash = checked; }
    // One slice of the running load (the load timer's handler).
    void loadStep();

    const FilePageView& view() const { return m_view; }
    bool loading() const { return m_text || m_hex; }

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
    // The size label follows a receive as it grows.
    void showSize(const QString& size) { m_view.LabelFileSize = size; }

    // What the sender takes.
    QByteArray TransferImage;
    DncLines dncLines;
    qint32 DncLineCount = 0;
    qint32 DncListedCount = 0;
    QByteArray ArmImage;
    bool LoadCancelRequested = false;

private:
    void clearList();
    std::optional<QString> chooseFile(const char* filter);
    std::optional<QByteArray> readFile(const QString& path);
    void startTextLoad(const QString& path);
    void startHexLoad(const QString& path);
    void loadRaw(const QString& path);
    void finishText();
    void finishHex();
    void showFileLabels(const QString& path, const QString& size);
    void releaseLock();

    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    Timer& m_timer;
    Hooks m_hooks;
    FilePageView m_view;
    std::unique_ptr<TextLoader> m_text;
    std::unique_ptr<HexPacker> m_hex;
    QString m_loadPath;
};

} // namespace velmorix
