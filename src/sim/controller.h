#pragma once

#include "core/wire/wire_recorder.h"
#include "platform/serial_port.h"
#include "sim/arm_upload.h"
#include "sim/dnc_runner.h"
#include "sim/faults.h"
#include "sim/file_service.h"
#include "sim/machine.h"
#include "sim/request_parser.h"
#include "sim/status_stream.h"
#include "sim/variables.h"

#include <QDateTime>
#include <QList>
#include <deque>
#include <optional>

namespace velmorix::sim {

struct ControllerOptions {
    // Its own line settings; the console must use the same or each side reads garbage.
    PortSettings line = [] {
        PortSettings s;
        s.name = QStringLiteral("controller");
        return s;
    }();
    int frameIntervalMs = 0;     // 0: status frames back to back at the line rate
    int inputBytesPerSecond = 0; // how fast it takes in what arrives; 0: each byte as it arrives
    int inputHighMark = 192;     // CTS off above this many bytes not yet taken in
    int inputLowMark = 64;       // and on again at or below this many
    // The receive buffer, shared by the bytes not yet taken in and the lines of a DNC program waiting
    // to run. A byte that arrives while it is full is an overrun: dropped, counted and logged.
    int inputBufferBytes = 4096;
    // XOFF once this many bytes are in the buffer. The rest of it must hold what a console still sends
    // before it sees the XOFF: one 100 ms poll tick at 115200 baud (1152 bytes) and what its pump may
    // already have queued (768 bytes).
    int xoffMark = 2048;
    int xonMark = 512;        // XON once down to this many
    int dncLineMs = 100;      // time to run one line of a program fed line by line
    bool keepDncLines = true; // keep every line run, for dnc().executed(); a long run counts them only
    int uploadStallMs = 3000; // the 8-bit upload gives up after this long without a byte
    Identity identity;
    QDateTime clockAtZero = QDateTime(QDate(2026, 1, 5), QTime(8, 0, 0)); // its clock at line time 0
};

// The virtual controller: the controller's side of the protocol, driven by the bytes that reach it
// and by the line time at which they do. It holds no timers; whoever carries its line (SimulatedPort,
// the standalone program) tells it the time. Time stamps are microseconds on the line's clock.
class SimulatedController {
public:
    explicit SimulatedController(ControllerOptions options = {});

    // --- the line ---
    // The settings it currently uses: its own, or 8 data bits, no parity, 1 stop bit during an upload.
    PortSettings lineSettings() const;
    // Bytes pass only while it is powered and cabled.
    bool carriesData() const { return m_powered && m_cabled; }
    bool dsr(qint64 atUs) const;
    bool cts(qint64 atUs) const;
    void receive(quint8 byte, qint64 atUs);
    // The next byte it puts on the line when the line is free at atUs, if it has one.
    std::optional<quint8> takeByte(qint64 atUs);
    // Runs what falls due up to atUs (buffered input, program lines, fault windows, upload stall).
    void advance(qint64 atUs);
    // When it next has something to do on its own.
    qint64 nextEventUs() const;

    // --- the operator's and the tests' side ---
    void setPowered(bool on) { m_powered = on; }
    // Nobody holds the console's end of the line any more (the terminal was closed, the console's DTR
    // dropped): a body or a DNC tape under way is broken off, the status stream stops.
    void lineLost(const QString& why, qint64 atUs);
    void setCabled(bool on) { m_cabled = on; }
    void addFault(const FaultSpec& fault) {
        m_faults.dropEndedBefore(m_nowUs);
        m_faults.add(fault);
    }
    void clearFaults() { m_faults.clear(); }
    // For tests of the port itself: puts these bytes on the line to the console as they are, after
    // whatever it has queued already. They mean nothing to the controller.
    void queueRawForConsole(const QByteArray& bytes) { m_out += bytes; }
    WireRecorder& log() { return m_log; }
    const WireRecorder& log() const { return m_log; }

    qint32 value(int number, qint64 atUs) const { return m_variables.read(number, atUs); }
    void setValue(int number, qint32 value, qint64 atUs) { m_variables.write(number, value, atUs); }
    int errorNumber(qint64 atUs) const;
    // Faults of the line itself, which whoever carries it applies: the chance per million that a
    // data bit arrives flipped (0 on a clean line), and whether the console's port has vanished.
    int bitErrorsPerMillion(qint64 atUs) const;
    bool portVanished(qint64 atUs) const { return m_faults.active(Fault::Vanish, atUs) != nullptr; }
    const Machine& machine() const { return m_machine; }
    const StatusStream& stream() const { return m_stream; }
    const FileService& files() const { return m_files; }
    FileService& files() { return m_files; }
    const DncRunner& dnc() const { return m_dnc; }
    const ArmUpload& upload() const { return m_upload; }
    bool uploading() const { return m_uploadLine; }

    const QList<QByteArray>& mdiCommands() const { return m_mdi; }
    const QList<QByteArray>& unknownBlocks() const { return m_unknownBlocks; }
    const QList<TransferRecord>& transfers() const { return m_transfers; }
    int linkResets() const { return m_linkResets; }
    int resetSignals() const { return m_resetSignals; }
    qint64 inputWaiting() const { return static_cast<qint64>(m_input.size()); }
    // Bytes in the receive buffer: those not yet taken in, the program line being received and the
    // program lines waiting to run.
    qint64 bufferLevel() const;
    // Bytes dropped because they arrived while the receive buffer was full.
    int overruns() const { return m_overruns; }
    QByteArray armImage() const { return m_armImage; }

private:
    struct Waiting {
        quint8 byte;
        qint64 dueUs;
    };

    void process(quint8 byte, qint64 atUs);
    void handle(const Request& r, qint64 atUs);
    void onLinkReset(qint64 atUs);
    void onValueWrite(const Request& r, qint64 atUs);
    void onResetSignal(qint64 atUs);
    void onFileBody(const QByteArray& content, qint64 atUs);
    void onDncLine(const QByteArray& line, qint64 atUs);
    void onDncEnd(const QByteArray& lastLine, qint64 atUs);
    void announce(int typeCode, const QByteArray& name, qint64 atUs);
    void abortTransfer(const QString& why, qint64 atUs);
    void record(const TransferRecord& r, qint64 atUs);
    void enterUpload(qint64 atUs);
    void leaveUpload(qint64 atUs);
    void buildFrame(qint64 atUs);
    int dncLineMs(qint64 atUs) const;
    void updateInputHold();
    void updateFlow(qint64 atUs);

    ControllerOptions m_options;
    Machine m_machine;
    Variables m_variables;
    FileService m_files;
    RequestParser m_parser;
    StatusStream m_stream;
    DncRunner m_dnc;
    ArmUpload m_upload;
    FaultPlan m_faults;
    WireRecorder m_log;

    // How long the line must stay quiet after a body's DC4 before it counts as the body's end rather
    // than the first byte of the reset signal.
    static constexpr qint64 kBodyEndQuietUs = 20000;
    qint64 m_bodyHeldAtUs = 0;

    bool m_powered = true;
    bool m_cabled = true;
    qint64 m_nowUs = 0;

    std::deque<Waiting> m_input;
    qint64 m_lastTakenUs = 0;
    bool m_inputHeld = false;
    bool m_xoff = false; // XOFF sent, XON not yet
    int m_overruns = 0;
    int m_overrunsAtAnnounce = 0; // overruns before the transfer under way began

    QByteArray m_priority; // flow bytes and upload answers go ahead of everything else
    QByteArray m_out;      // frames, handshakes and bodies, in order
    qsizetype m_outPos = 0;
    bool m_stormActive = false;
    quint32 m_noiseSeed = 0x2545F491;

    int m_pendingType = 0; // announced file it waits for
    QByteArray m_pendingName;
    int m_fileError = 0;

    bool m_uploadLine = false;
    bool m_leaveUploadWhenSent = false;
    qint64 m_lastUploadByteUs = 0;
    QByteArray m_armImage;

    QList<QByteArray> m_mdi;
    QList<QByteArray> m_unknownBlocks;
    QList<TransferRecord> m_transfers;
    int m_linkResets = 0;
    int m_resetSignals = 0;
};

} // namespace velmorix::sim
