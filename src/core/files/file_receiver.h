#pragma once

#include "core/base/console_timers.h"
#include "core/files/received_file.h"

#include <QByteArray>
#include <QList>
#include <functional>
#include <memory>

namespace velmorix {

struct ConsoleState;
class FilePage;
class Link;
class MessageLine;
class Prompts;
class Timer;
class Transfer;
class Watchdog;

// Takes a file from the controller: the request, the body that follows the "@WRITE" announcement,
// its list (in slices, so a body of megabytes never holds the window), and saving the list as a text
// file, as the bytes of a hex file, or as a PLC program. A save never destroys a good file: it is
// written whole beside the target and only then takes its place.
class FileReceiver {
public:
    struct Hooks {
        std::function<void(bool)> setOperationEnabled;
    };

    static constexpr qint32 kAnnounceVariable = 10768;
    static constexpr int kPlcItem = 24; // "U:PLC": listed into the hidden ListBoxTSK
    static constexpr qsizetype kSliceBytes = 256 * 1024;

    FileReceiver(ConsoleState& state, MessageLine& message, Prompts& prompts, Link& link, Transfer& transfer,
                 Watchdog& watchdog, FilePage& files, Timer& listTimer, ConsoleTimers timers, Hooks hooks);
    ~FileReceiver();

    void ButtonRecvInClick() { request(); }
    // Asks the controller for the file of the selected receive type; false when nothing could start.
    bool request();
    // Each poll tick while the body arrives.
    void bodyArriving();
    // One slice of the list being built (the list timer's handler).
    void listStep();
    void ButtonSaveFileClick();
    // What a save of the received file writes, by its type's save method; empty when nothing is listed.
    QByteArray fileBytes() const;
    // Saves the received file to `path` as the save dialog's choice would; the reason when it could
    // not be written.
    QString saveTo(const QString& path);
    // The name the save dialog proposes (the announced one) with the type's extension when it has none.
    QString proposedFileName() const;

    bool listing() const { return m_lister != nullptr; }

    // What the last save did.
    struct SaveResult {
        bool written = false;
        QString path;
        std::optional<CheckRecords> mismatch; // the records the data disagreed with
    };
    const SaveResult& lastSave() const { return m_lastSave; }
    const QList<QByteArray>& ListBoxTSK() const { return m_tsk; }

private:
    void finishList();
    QList<QByteArray> linesToSave(int item) const;
    static QString writeFile(const QString& path, const QByteArray& bytes);

public:
    // "The received data does not match its checksum: …".
    static QString mismatchText(const CheckRecords& records);

private:
    ConsoleState& m_state;
    MessageLine& m_message;
    Prompts& m_prompts;
    Link& m_link;
    Transfer& m_transfer;
    Watchdog& m_watchdog;
    FilePage& m_files;
    Timer& m_listTimer;
    ConsoleTimers m_timers;
    Hooks m_hooks;
    qsizetype m_garbled = 0;  // bytes of the body that arrived with a parity error
    qsizetype m_searched = 0; // bytes of the arriving body already searched for its end
    int m_item = 0;           // the type the running receive asked for
    std::unique_ptr<ReceivedLister> m_lister;
    QList<QByteArray> m_tsk; // ListBoxTSK: the lines of a received PLC program
    SaveResult m_lastSave;
};

} // namespace velmorix
