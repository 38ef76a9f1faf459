#pragma once

#include "core/files/transfer.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace velmorix {

// How a file goes out through the engine's own call (velmorix-cli, and later a service) rather than
// the window's dialogs.
struct SendOptions {
    bool flash = false;    // the type's flash-write command after the send, as "w2Flash" does
    qint32 fromLine = 1;   // D:DNC: the run starts at this line (1 = the first)
    bool preamble = false; // D:DNC from a later line: the modal state in force there goes first
};

// What a receive does with the file it took.
struct SavePolicy {
    enum class Kind {
        Keep,       // nothing is written: the result holds the file's bytes
        ToPath,     // written to `path`, over what is there
        AnnouncedIn // written under the name the controller announced, in the folder `path`; never over
                    // a file that is there, never outside the folder
    };
    Kind kind = Kind::Keep;
    QString path;
    // The received file is also compared with this file, by the save's rules (the result says how).
    struct Compare {
        QString name;     // the file's name as the comparison names it
        QByteArray bytes; // its content
        QString verifies; // the journal record of the send this receive checks, if it checks one
    };
    std::optional<Compare> compare;
};

// One transfer from its request to how it ended. Its result is the transfer's end as the transfer
// says it (the window's texts, velmorix-cli's lines and exit status all come from there), and for a
// receive with a save policy, what the save did.
class TransferJob : public QObject {
    Q_OBJECT
public:
    enum class State { Loading, Running, Done };

    State state() const { return m_state; }
    bool done() const { return m_state == State::Done; }
    const TransferEnd& result() const { return m_result; }
    // How far it came, in bytes or (D:DNC) lines, as the page's gauge shows it.
    qint64 progress() const { return m_progress ? m_progress().first : 0; }
    qint64 total() const { return m_progress ? m_progress().second : 0; }

    // The engine's side.
    void setProgressSource(std::function<std::pair<qint64, qint64>()> source) {
        m_progress = std::move(source);
    }
    void setRunning() { m_state = State::Running; }
    void finish(const TransferEnd& result);

signals:
    void finished();

private:
    State m_state = State::Loading;
    TransferEnd m_result;
    std::function<std::pair<qint64, qint64>()> m_progress;
};

// An MDI command or a value write through the engine's own call: done once the controller's status
// after it has crossed the line says whether it took it.
class CommandJob : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool ok = false;
        int errorNumber = 0; // a new error number the controller reported
        QString text;        // what went wrong, one line
    };

    bool done() const { return m_done; }
    const Result& result() const { return m_result; }

    void finish(Result result);

signals:
    void finished();

private:
    bool m_done = false;
    Result m_result;
};

// Linking from the engine's own call: whether the port opened, and if not, why and what would help.
struct LinkResult {
    bool ok = false;
    QString failure; // "Comm: …": the system's reason, the device, the fix
};

} // namespace velmorix
