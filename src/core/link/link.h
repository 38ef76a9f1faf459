#pragma once

#include "core/base/prompts.h"
#include "core/base/state.h"
#include "core/link/line_clock.h"
#include "core/link/port_names.h"
#include "platform/serial_port.h"

#include <functional>
#include <memory>

namespace velmorix {

class Clock;
class Hold;

// The serial link: the port, its line states and indicators, and every request the console sends.
class Link {
public:
    struct Hooks {
        std::function<void()> ringReset;                // the link reset clears the status receiver
        std::function<void()> dncMonitorRequest;        // a request during a DNC run restarts its timers
        std::function<void(const QString&)> portError;  // the port failed while open
        std::function<void()> lineChanged;              // CTS or DSR changed
        std::function<void(const QString&)> ownedByRun; // a frame refused while a DNC run owns the line
        // A DNC run is being fed: monitor requests go without the link reset, which would end it.
        std::function<bool()> dncRunning;
        // A DNC run owns the line, from its announcement until its last line has crossed.
        std::function<bool()> runOwnsLine;
        // The note on settings a device server did not confirm, known only after the open.
        std::function<void(const QString&)> lateNote;
    };

    Link(ConsoleState& state, Prompts& prompts, Hold& hold, Clock& clock, PortFactory factory);

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    void setPortNames(PortNames names) { m_names = std::move(names); }
    // Where a failed open finds the facts of its device (the devices present, the owning group);
    // without one the failure says only the system's reason.
    void setPortInspector(PortInspector inspector) { m_inspector = std::move(inspector); }
    // The settings file whose [ComPorts] a failed open proposes to change.
    void setSettingsPath(const QString& path) { m_settingsPath = path; }

    // Configures the port from the Comm page and opens it; a failure shows "Comm: " + the reason and
    // what would help. The description goes to status bar panel 1 either way, the device it opens to
    // the panel's hint. Returns whether the port is open.
    bool OpenPort();
    // The hint of status bar panel 1: which device the chosen port name opens, and what the open port
    // has learned about its lines.
    QString chosenDeviceHint() const;
    // The note on line settings the device refused at the last open; empty when it took them all.
    QString refusalNote() const { return m_refusal; }
    // Why the last open failed ("Comm: " + the reason and what would help); empty after a good one.
    QString openFailure() const { return m_openFailure; }
    // A failed open is said to whoever opened rather than in a message box (velmorix-cli).
    void setQuietFailures(bool quiet) { m_quiet = quiet; }
    // The same port with other line settings (the 8-bit upload); a failure shows "Comm: " too.
    bool openWith(const PortSettings& settings);
    void closePort();

    // Line events.
    void ComPortCTSChange(bool on);
    void ComPortDSRChange(bool on);

    // Request senders. Each writes its frame in one write; one whose line condition fails writes
    // nothing and says nothing. While a DNC run owns the line, value writes and MDI frames are refused
    // (their DC4 would close the open tape) and the refusal is said through ownedByRun.
    void SendMonitorRequest(const QByteArray& data);
    void SendLinkReset();
    void SendValueWrite(qint32 number, qint32 value);
    void SendNamedValueWrite(qint32 number, qint32 value, const QByteArray& name);
    void sendMdi(const QByteArray& command);
    // DC4 and four TABs, then a 200 ms pause before `then` runs; without CTS and DSR nothing is
    // written and `then` runs at once.
    void SendResetSignal(std::function<void()> then);
    void sendAbortMark();
    // Ends a file body or a DNC tape that broke off part-way: what the port still holds of it is
    // thrown away and the reset signal follows, with no pause. A controller takes "%" DC4 as the
    // normal end of a program, so a body that stops early never ends with it. Nothing is written
    // while the controller is away (DSR off).
    void breakBody();

    // Writes raw bytes; a port that refuses (closed, failed) is reported to the operator unless
    // `quiet`. Returns the count written or -1.
    qint64 write(const QByteArray& bytes, bool quiet = false);

    // The line clock: bytes written and not yet across the line, by the larger of the port's count and
    // the time the line needs for them; and when the last byte written will have crossed.
    qint64 bytesInFlight();
    bool lineClear() { return bytesInFlight() == 0; }
    // Whether the line is clear, waiting for it on this thread when it clears within `withinUs`: a
    // timer's millisecond is coarse beside a short line's crossing at a high rate.
    bool lineClearWithin(qint64 withinUs);
    qint64 clearAtUs() const;
    const LineClock& lineClock() const { return m_lineClock; }

    SerialPort* port() { return m_port.get(); }
    QString device() const { return m_device; }

    // True, and said through ownedByRun, when a DNC run owns the line and `what` ("Write", "MDI",
    // "Clock") must not go out; asked before a dialog opens, so nobody types a value in vain.
    bool refusedDuringRun(const QString& what);

private:
    void attach(const QString& device);
    void portLearned();

    ConsoleState& m_state;
    Prompts& m_prompts;
    Hold& m_hold;
    Clock& m_clock;
    PortFactory m_factory;
    PortNames m_names;
    PortInspector m_inspector;
    QString m_settingsPath;
    QString m_refusal;
    QString m_openFailure;
    bool m_quiet = false;
    Hooks m_hooks;
    std::unique_ptr<SerialPort> m_port;
    QString m_device;
    LineClock m_lineClock;
};

} // namespace velmorix
