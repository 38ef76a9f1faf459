#pragma once

#include "platform/clock.h"
#include "sim/controller.h"
#include "sim/wire.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace velmorix::sim {

// Serves the controller on a terminal: a new pseudo-terminal whose other end the console opens, or a
// real serial device. The controller's bytes leave at its line rate; the console's bytes reach it at
// that rate too. On a pseudo-terminal the console's line settings are read from the terminal, so a
// console with other settings reads garbage as on a real line; on a device the line itself does that,
// and DTR and RTS carry the controller's DSR and CTS.
//
// A pseudo-terminal gets the bytes as a UART hands them over: in bursts of at most 16 (its FIFO),
// or what arrived before the line fell quiet for a millisecond, never one write per byte.
class TerminalServer : public QObject {
public:
    TerminalServer(SimulatedController& controller, Clock& clock);
    ~TerminalServer() override;

    bool openPseudoTerminal(QString* error);
    bool openDevice(const QString& path, QString* error);
    // The path the console opens (the pseudo-terminal's other end, or the device).
    QString path() const { return m_path; }

private:
    void onReadable();
    // Everything the terminal holds from the console, read at once (its end closed).
    void readToTheEnd();
    void tick();
    void configure(int fd);
    void followConsoleSettings();
    void deliver();
    void hangUp();
    // Whether the console holds its end of a pseudo-terminal (a device always counts as held).
    bool followListener();

    SimulatedController& m_controller;
    Clock& m_clock;
    Wire m_wire;
    std::unique_ptr<Timer> m_lineTimer;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_fd = -1; // what we read and write
    bool m_device = false;
    bool m_listener = false; // the console holds the pseudo-terminal's other end
    bool m_closing = false;  // the console closed its end; what it wrote is still crossing
    qint64 m_closingSinceUs = 0;
    static constexpr qint64 kCloseDrainUs = 2'000'000;
    bool m_dtr = false;
    bool m_rts = false;
    QString m_path;
    QByteArray m_fifo; // arrived at the console's end, not yet handed over
};

} // namespace velmorix::sim
