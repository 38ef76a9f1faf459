#pragma once

#include "core/base/settings.h"
#include "core/base/setup_code.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>

namespace velmorix {

// Window-wide records that several areas read and write. Each area owns everything else it keeps
// (the transfer its flags, the file page its labels, the message line its text); these few plain
// records are owned by Console and handed by reference to the areas that share them.

// Lines of the serial link as last reported.
struct LineState {
    bool LinkUp = false;   // DSR: the controller is present
    bool CtsReady = false; // CTS: the controller accepts data
};

// Sequence numbers of the monitor subscription.
struct SequenceState {
    int RequestSeq = 0; // sequence number the next replies must carry (0..7)
    bool FrameValid = true;
    int ResyncCount = 0;

    // Adopt the controller's sequence afresh instead of checking it: the link came up, DSR went off, a
    // send ended, the line held still for a flash write, the stream stuck.
    void resync() {
        m_resyncing = true;
        ResyncCount = 0;
    }
    bool Resyncing() const { return m_resyncing; }
    // The decoder took a frame's number while resyncing: after three it checks again.
    void adopted(int replySeq) {
        RequestSeq = replySeq;
        FrameValid = true;
        if (++ResyncCount >= kAdoptions) {
            m_resyncing = false;
            ResyncCount = 0;
        }
    }
    static constexpr int kAdoptions = 3;

private:
    bool m_resyncing = true;
};

// Which page the poll tick refreshes and which range the value dialogs edit.
enum class PageMode {
    PortSetup = -1,
    PlcBits = 0,
    Registers = 1, // registers, counters and timers
    UserVariables = 2,
    SystemVariables = 3,
    CncInformation = 4,
    McmData = 5,
    FileService = 7,
    Help = 8,
};

// The column of page buttons, in its order.
enum class PageButton {
    None,
    PlcBit,
    PlcRCT,
    VarUser,
    VarSys,
    CNCInfo,
    MCMData,
    Motion,
    FileSvc,
    Help,
    Close
};

// The block of controller variables the current page subscribes to, and the last request sent.
struct ReportBlock {
    qint32 PollBlockStart = 0;
    qint32 PollBlockCount = 0;
    qint32 PollItemCount = 0;
    qint32 PollItemStart = 0;
    int MonitorGroup = 0; // RadioGroupMonitor: Coordinate, PsCounter, FollowError
    // The axis display changed: the nine axis items are asked for afresh.
    void showAxes(int group) {
        MonitorGroup = group;
        m_changed = true;
    }
    // A block of any variables rather than consecutive ones (velmorix-cli's watch and write);
    // empty for the pages' blocks.
    QList<qint32> PollBlockList;

    // Stores a new block and raises PollBlockChanged unless it is the one already reported.
    void update(qint32 start, qint32 count) {
        if (start == PollBlockStart && count == PollBlockCount && PollBlockList.isEmpty())
            return;
        PollBlockList.clear();
        PollBlockStart = start;
        PollBlockCount = count;
        m_changed = true;
    }
    // An empty block that matches no page, so the next page button subscribes afresh.
    void clear() {
        PollBlockList.clear();
        PollBlockStart = -1;
        PollBlockCount = 0;
        m_changed = true;
    }
    // A block of any variables (velmorix-cli's watch): up to kMaxBlockCount of them.
    void watch(const QList<qint32>& variables);

    // Asks the poll cycle for a fresh monitor request on its next tick: the link came up, a transfer
    // ended, the axis display changed, Reset.
    void resubscribe() { m_changed = true; }
    bool PollBlockChanged() const { return m_changed; }
    // The poll cycle sent the request.
    void subscribed() { m_changed = false; }

private:
    bool m_changed = false;
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

// Items of a status frame: item 0 is the status word the controller puts first, items 1 to 13 are
// the fixed part of every monitor request, then the page's block, then the serial number.
inline constexpr int kFirstAxisItem = 1;
inline constexpr int kTypeItems[] = {10, 11};
inline constexpr int kVersionItems[] = {12, 13};
inline constexpr int kFirstBlockItem = 14;
inline constexpr int kMaxBlockCount = 32;

inline void ReportBlock::watch(const QList<qint32>& variables) {
    PollBlockList = variables.mid(0, kMaxBlockCount);
    PollBlockStart = -1;
    PollBlockCount = static_cast<qint32>(PollBlockList.size());
    m_changed = true;
}

// The live values of the newest accepted status frame, by item number.
struct LiveValues {
    static constexpr int kItems = kFirstBlockItem + kMaxBlockCount + 1; // up to 46 items and the status word
    std::array<qint32, kItems> PollValues{};
    std::array<QByteArray, kItems> PollHexTexts;            // "0000-0000"
    std::array<QString, kMaxBlockCount + 1> PollValueTexts; // index item - kFirstBlockItem
    QByteArray TypeText = QByteArrayLiteral("---------");
    QString TimeText;
    qint32 LastErrorNumber = 0;
    // The error number the newest accepted status frame carried (0 to 99), and how many frames have
    // been accepted since the link came up: a transfer takes its baseline from here.
    qint32 StatusErrorNumber = 0;
    quint64 AcceptedFrames = 0;

    // After a flash write the controller's error line is shown afresh, whatever it was.
    void forgetShownError() { LastErrorNumber = 0; }

    // Value and texts of entry k of the current block.
    qint32 blockValue(int k) const { return PollValues[kFirstBlockItem + k]; }
    const QByteArray& blockHex(int k) const { return PollHexTexts[kFirstBlockItem + k]; }
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

// Notebook pages.
enum class NotebookPage { Comm = 0, PlcBit = 1, Var = 2, PlcRct = 3, FileSvc = 4, Empty = 5 };

// What the main window shows outside the monitor pages and the message line.
struct MainView {
    QString caption;
    NotebookPage page = NotebookPage::Comm;
    OperatorControls controls;
    bool ButtonResetEnabled = false;
    bool ButtonClearEnabled = false;
    bool ButtonClearShown = false;
    bool LabelDSRLit = false; // light red while the line is on
    bool LabelCTSLit = false;
    std::array<QString, 5> statusPanels;
    QString statusPanel1Hint; // which device the chosen port name opens
    QString EditSelectPath;
    PageButton boldPageButton = PageButton::None;
    bool MemoHelpShown = false; // page 4 shows the help text rather than the file service
    bool busy = false;          // a pause holds the console; the operator's events wait for its end
    bool closeRequested = false;
};

// Everything the areas share.
struct ConsoleState {
    EnvironmentSettings env;
    CommSelection comm;
    LineState line;
    SequenceState seq;
    ReportBlock block;
    MainView view;
    StatusView status;
    LiveValues live;
    PageMode pageMode = PageMode::PlcBits;
    bool PathChanged = false;
    bool RangesChanged = false;
    QString AccessCode = QStringLiteral("ZRTM64");
    bool PlcUploadUnlocked = false;
    bool PlcUploadUnlockedBefore = false;
    QString LastMdiText;
    QString OpenDialogDir; // where the open dialogs start: the folder of the last file opened
    QString SaveDialogDir; // where the save dialog starts: the folder of the last file saved
};

} // namespace velmorix
