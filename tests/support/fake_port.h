#pragma once

#include "platform/serial_port.h"

#include <QList>

namespace velmorix::test {

// An in-memory port for unit tests of the engine: the test feeds what the controller "sends",
// reads back everything written, and moves the modem lines by hand. It keeps the SerialPort rules:
// fed bytes reach only an open port with DSR on, and a failure closes the port before it is reported.
class FakePort final : public SerialPort {
public:
    void setSettings(const PortSettings& s) override { m_settings = s; }
    PortSettings settings() const override { return m_settings; }
    bool open() override {
        if (m_open)
            return true;
        if (!openError.isEmpty()) {
            m_error = openError;
            return false;
        }
        m_open = true;
        reportCts(m_cts);
        reportDsr(m_dsr);
        return true;
    }
    void close() override {
        if (!m_open)
            return;
        reportCts(false);
        reportDsr(false);
        m_open = false;
        m_input.clear();
    }
    bool isOpen() const override { return m_open; }
    qint64 write(const QByteArray& bytes) override {
        if (!m_open) {
            m_error = notOpenText();
            return -1;
        }
        // A driver that takes only part of a write (shortWrite >= 0 bytes at most).
        const QByteArray taken = shortWrite >= 0 ? bytes.left(shortWrite) : bytes;
        m_written += taken;
        writes << taken;
        return taken.size();
    }
    QByteArray read(qint64 maxCount) override {
        const QByteArray out = m_input.left(maxCount);
        m_input.remove(0, out.size());
        return out;
    }
    qint64 inputCount() override { return m_input.size(); }
    qint64 outputCount() override { return m_open ? pendingOutput : 0; }
    void clearBuffer(bool input, bool) override {
        if (m_open && input) {
            m_input.clear();
            ++inputClears;
        }
    }
    bool cts() const override { return m_open && m_cts; }
    bool dsr() const override { return m_open && m_dsr; }
    QString errorString() const override { return m_error; }
    QStringList refusedSettings() const override { return m_open ? refused : QStringList(); }
    QString lineNote() const override { return m_open ? note : QString(); }

    // Test side.
    void feed(const QByteArray& bytes) {
        if (m_open && m_dsr)
            m_input += bytes;
    }
    void setCtsLine(bool on) {
        m_cts = on;
        if (m_open)
            reportCts(on);
    }
    void setDsrLine(bool on) {
        m_dsr = on;
        if (m_open)
            reportDsr(on);
    }
    // What the port learned after the open (refused, note) is said, as a device server's answers are.
    void learn() {
        if (m_open)
            reportLearned();
    }
    void fail(const QString& text) {
        if (!m_open)
            return;
        close();
        m_error = text;
        reportError(text);
    }
    QByteArray written() const { return m_written; }
    QByteArray takeWritten() {
        QByteArray w = m_written;
        m_written.clear();
        writes.clear();
        return w;
    }

    QString openError;
    QStringList refused; // line settings the device does not take
    QString note;        // what it says of its lines
    int inputClears = 0;
    qint64 pendingOutput = 0;
    qint64 shortWrite = -1;
    QList<QByteArray> writes;

private:
    PortSettings m_settings;
    bool m_open = false;
    bool m_cts = true;
    bool m_dsr = true;
    QByteArray m_input;
    QByteArray m_written;
    QString m_error;
};

} // namespace velmorix::test
