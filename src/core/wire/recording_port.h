#pragma once

#include "core/wire/wire_recorder.h"
#include "platform/clock.h"
#include "platform/serial_port.h"

#include <memory>

namespace velmorix {

// A port that passes everything to another and records on the way what crossed it: every byte
// written and read (also the input a clearBuffer() throws away, which had arrived all the same),
// every CTS and DSR change, the opening with its line settings and the wall-clock time, and a
// failure. Times count in microseconds from the last open(), the link.
class RecordingPort final : public SerialPort {
public:
    RecordingPort(std::unique_ptr<SerialPort> inner, WireRecorder& recorder, Clock& clock);
    // Over a port someone else keeps, which outlives this one.
    RecordingPort(SerialPort& inner, WireRecorder& recorder, Clock& clock);

    void setSettings(const PortSettings& settings) override { m_inner->setSettings(settings); }
    PortSettings settings() const override { return m_inner->settings(); }
    bool open() override;
    void close() override { m_inner->close(); }
    bool isOpen() const override { return m_inner->isOpen(); }
    qint64 write(const QByteArray& bytes) override;
    QByteArray read(qint64 maxCount) override;
    qint64 inputCount() override { return m_inner->inputCount(); }
    qint64 outputCount() override { return m_inner->outputCount(); }
    void clearBuffer(bool input, bool output) override;
    bool cts() const override { return m_inner->cts(); }
    bool dsr() const override { return m_inner->dsr(); }
    QString errorString() const override { return m_inner->errorString(); }
    QStringList refusedSettings() const override { return m_inner->refusedSettings(); }
    QString lineNote() const override { return m_inner->lineNote(); }

    SerialPort& inner() { return *m_inner; }
    ~RecordingPort() override;

private:
    qint64 sinceLinkUs() const { return m_clock.nowUs() - m_linkUs; }

    std::unique_ptr<SerialPort> m_owned;
    SerialPort* m_inner;
    WireRecorder& m_recorder;
    Clock& m_clock;
    qint64 m_linkUs = 0;
};

// Every port the factory makes, recorded into `recorder`.
PortFactory recordingFactory(PortFactory factory, WireRecorder& recorder, Clock& clock);

// "2024-03-09T07:05:00.123+01:00": a wall-clock time with its offset from UTC (ISO 8601).
QString wallClockText(const QDateTime& time);

} // namespace velmorix
