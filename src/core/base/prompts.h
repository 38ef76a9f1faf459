#pragma once

#include "core/base/settings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace velmorix {

struct FileDialogRequest {
    QString filter; // in Qt's form: "description (mask mask)"
    QString initialDir;
    QString proposedName;
    QString defaultSuffix;
};

// A value field of the monitor pages that a value dialog opens beside.
struct ValueField {
    enum class Kind {
        PlcRct,
        Var,
        CncInfo
    }; // StaticTextPlcRct<n>_10, StaticTextVar<n>_10, StaticTextCncInfo<n>_10
    Kind kind = Kind::Var;
    int row = 0;
    bool operator==(const ValueField&) const = default;
};

struct NewValueRequest {
    QString text;  // the value it opens with, in plain decimal digits
    QString label; // the name of the edited entry
    ValueField anchor;
};

// What the upload warning TFormWarning returns.
struct UploadWarningAnswer {
    bool upload = false;     // "UpLoad" was pressed; the cancel button and closing the window are not
    bool warningOff = false; // "Warning Dialog  Off" was ticked
};

// What the one-line ID dialog TFormKLD returns.
struct IdAnswer {
    bool confirmed = false; // OK or Enter
    QString text;
};

// What the service login returns.
struct LoginAnswer {
    QString user;
    QString password;
};

// What the clock dialog TFormRTC works with while it is open: the live texts of its eight fields
// (YEAR … AM/PM), and "Set RTC".
struct ClockDialog {
    std::function<QStringList()> fields;
    std::function<void()> setRtc;
};

// Everything modal the engine asks of the operator. The program shows real dialogs; tests answer
// from a script.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box with the text; also the display for errors raised while handling an event.
    virtual void showMessage(const QString& text) = 0;
    // The open-file dialog; nothing when the operator cancels.
    virtual std::optional<QString> chooseOpenFile(const FileDialogRequest& request) = 0;
    // The value dialog TFormNewValue; nothing when it was closed without Enter.
    virtual std::optional<qint32> askNewValue(const NewValueRequest& request) = 0;
    // The upload warning before a file is sent.
    virtual UploadWarningAnswer askUploadWarning() = 0;
    // The save-file dialog (overwrite prompt, the folder must exist); nothing when cancelled.
    virtual std::optional<QString> chooseSaveFile(const FileDialogRequest& request) = 0;
    // The ID dialog TFormKLD with its caption and the label before the entry.
    virtual IdAnswer askId(const QString& caption, const QString& label) = 0;
    // The service login: a user name and a password, both empty at each opening; nothing when
    // cancelled.
    virtual std::optional<LoginAnswer> askLogin() = 0;
    // TFormModifyVar with the current ranges; the accepted ranges, or nothing when cancelled. The
    // dialog itself refuses what checkRanges() refuses.
    virtual std::optional<Settings> askRanges(const Settings& current) = 0;
    // TFormComStart with the current number; the accepted number, or nothing when cancelled.
    virtual std::optional<qint32> askComStart(qint32 current) = 0;
    // TFormRTC, open until the operator closes it; the window's poll goes on meanwhile.
    virtual void showClock(const ClockDialog& dialog) = 0;
    // Before a DNC run from a later line: the modal state in force at that line, as the blocks that
    // set it again. The operator sends them first, runs without them, or does not run.
    enum class PreambleAnswer { Send, Skip, Cancel };
    virtual PreambleAnswer askPreamble(qint32 line, const QList<QByteArray>& blocks) = 0;
};

// "description|mask;mask" -> "description (mask mask)"; pairs repeat after further bars.
QString qtFileFilter(const QString& filter);

} // namespace velmorix
