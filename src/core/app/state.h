#pragma once

#include "core/app/settings.h"
#include "core/app/setup_code.h"

#include <QByteArray>
#include <QString>
#include <array>

namespace velmorix {

// Window-wide state, in a few plain records owned by Console and handed by reference to the areas
// that share them.

// Lines of the serial link as last reported.
struct LineState {
    bool LinkUp = false;   // DSR: the controller is present
    bool CtsReady = false; // CTS: the controller accepts data
};

// Sequence numbers of the monitor subscription.
struct SequenceState {
    int RequestSeq = 0; // sequence number the next replies must carry (0..7)
    bool FrameValid = true;
    bool Resyncing = true; // adopt the controller's sequence instead of checking it
    int ResyncCount = 0;
};

// File-transfer modes and the text gathered for them.
struct TransferFlags {
    bool RecvRequested = false;
    bool RecvBody = false;
    bool SendRequested = false;
    bool Sending = false;
    bool XoffHold = false;
    bool ArmSending = false;
    QByteArray RxText;
    quint32 TxByteCount = 0; // bytes the file sender wrote since the last rate computation
    int SendFileItem = 0;    // selected item of ComboBoxSendFile

    static constexpr int kDncItem = 13;
    bool dncSending() const { return Sending && SendFileItem == kDncItem; }
    bool anyTransfer() const { return RecvRequested || RecvBody || SendRequested || Sending; }
};

// The handshake watchdog's count and limit.
struct WatchdogState {
    qint32 WatchdogTicks = 0;
    qint32 WatchdogLimit = 10;
    bool ResetPending = false;
};

// The block of controller variables the current page subscribes to, and the last request sent.
struct ReportBlock {
    qint32 PollBlockStart = 0;
    qint32 PollBlockCount = 0;
    bool PollBlockChanged = false;
    qint32 PollItemCount = 0;
    qint32 PollItemStart = 0;
    int MonitorGroup = 0; // RadioGroupMonitor: Coordinate, PsCounter, FollowError

    // Stores a new block and raises PollBlockChanged unless it is the one already reported.
    void update(qint32 start, qint32 count) {
        if (start == PollBlockStart && count == PollBlockCount)
            return;
        PollBlockStart = start;
        PollBlockCount = count;
        PollBlockChanged = true;
    }
};

// The twelve operator controls switched together by SetOperationEnabled.
struct OperatorControls {
    bool RadioGroupMonitor = false;
    bool ButtonPlcBit = false;
    bool ButtonPlcRCT = false;
    bool ButtonVarUser = false;
    bool ButtonVarSys = false;
    bool ButtonCNCInfo = false;
    bool ButtonMCMData = false;
    bool ButtonFileSvc = false;
    bool ButtonHelp = false;
    bool GroupBoxOperate = false;
    bool ButtonMDIgo = false;
    bool EditKeyIn = false;

    void setAll(bool on) {
        RadioGroupMonitor = ButtonPlcBit = ButtonPlcRCT = ButtonVarUser = ButtonVarSys = ButtonCNCInfo =
            ButtonMCMData = ButtonFileSvc = ButtonHelp = GroupBoxOperate = ButtonMDIgo = EditKeyIn = on;
    }
    bool operator==(const OperatorControls&) const = default;
};

// The live values of the newest accepted status frame, by item number.
struct LiveValues {
    static constexpr int kItems = 47; // status word, 13 fixed items, up to 32 block entries, serial number
    std::array<qint32, kItems> PollValues{};
    std::array<QByteArray, kItems> PollHexTexts; // "0000-0000"
    std::array<QString, 33> PollValueTexts;      // index item - 14
    QByteArray TypeText = QByteArrayLiteral("---------");
    QString TimeText;
    qint32 LastErrorNumber = 0;
};

// The coordinate and status panel.
struct StatusView {
    std::array<QString, 9> axes{"----,---", "----,---", "----,---", "----,---", "----,---",
                                "----,---", "----,---", "----,---", "----,---"};
    QString LabelType = QStringLiteral("KCNC-[ID]");
    QString LabelTime = QStringLiteral("----------  --------        ");
    QString LabelCommandState = QStringLiteral("----_----");
    QString LabelRxD = QStringLiteral("RxD_Rate:");
    QString LabelCps = QStringLiteral("Cps=-----");
};

// The labels of the file-service page.
struct FileView {
    QString LabelFileName = QStringLiteral("File Name");
    QString LabelFileNameHint;
    QString LabelFileSize = QStringLiteral("File Size");
    QString LabelFileTime = QStringLiteral("File Date");
    int gaugePosition = 0; // CGauge
    int gaugeMax = 100;
};

// Notebook pages.
enum class NotebookPage { Comm = 0, PlcBit = 1, Var = 2, PlcRct = 3, FileSvc = 4, Empty = 5 };

// What the main window shows outside the monitor pages.
struct MainView {
    QString caption;
    NotebookPage page = NotebookPage::Comm;
    OperatorControls controls;
    QString EditKeyIn;
    bool ButtonResetEnabled = false;
    bool ButtonClearEnabled = false;
    bool ButtonClearShown = false;
    bool LabelDSRLit = false; // light red while the line is on
    bool LabelCTSLit = false;
    std::array<QString, 5> statusPanels;
    QString EditSelectPath;
    // Page button shown in bold ("ButtonPlcBit" ...), empty for none.
    QString boldPageButton;
    bool MemoHelpShown = false; // page 4 shows the help text rather than the file service
    bool closeRequested = false;
};

// Everything the areas share.
struct ConsoleState {
    EnvironmentSettings env;
    CommSelection comm;
    LineState line;
    SequenceState seq;
    TransferFlags transfer;
    WatchdogState watchdog;
    ReportBlock block;
    MainView view;
    StatusView status;
    FileView files;
    LiveValues live;
    int PageMode = 0;
    bool PathChanged = false;
    bool RangesChanged = false;
    bool FlashPending = false;
    QString FlashCommand;       // the edit-line text to send when a waiting flash write is served
    bool CheckBoxFlash = false; // "w2Flash"
    QString AccessCode = QStringLiteral("ZRTM64");
    bool PlcUploadUnlocked = false;
    bool PlcUploadUnlockedBefore = false;
    QString LastMdiText;
    QString OpenDialogDir; // where the open and save dialogs start
};

} // namespace velmorix
