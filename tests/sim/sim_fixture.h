#pragma once

#include "sim/controller.h"
#include "sim/simulated_port.h"
#include "support/manual_clock.h"

#include <gtest/gtest.h>

namespace velmorix::sim::test {

// Requests as the console puts them on the wire, written out byte by byte.
inline const QByteArray kLinkReset("\x02\x02\x02\x02\x02\x14\x12%\rO9000\rN1\r%\x14\x03\x03\x03\x03\x03", 25);
inline QByteArray monitorRequest(const QByteArray& body) {
    return QByteArray("\x02\x02\x02\x02\x02\x12%\rO9000\rN0\r") + body + "\r%\x14\x03\x03\x03\x03\x03";
}
// 12021 and 12022 (X and Y): 41 bytes.
inline const QByteArray kMonitorXY = monitorRequest("v2\rD12021\rD12022");
// The controller's X and Y at rest: 125.000 and -42.500.
inline const QByteArray kXY = "d0001>848\rd????59?<\r";
// A transfer announcement: 10768 <- the type code, as eight digit bytes, with the file's name.
inline QByteArray announce(const QByteArray& name, const QByteArray& typeDigits) {
    return QByteArray("\x12%\rO9012(") + name + ")\rN10768\rd" + typeDigits + "\r%\x14";
}
// The 120-character transfer image of the one-byte file 0x41.
inline const QByteArray kImageOf41 = "4100\r0000\r0000\r0000\r0000\r0000\r0000\r0000\r"
                                     "AAAA\rAAAA\rAAAA\rAAAA\r4C45\r4E3A\r0000\r0001\r"
                                     "AAAA\rAAAA\rAAAA\rAAAA\r434B\r533A\r0000\r0041\r";

// A console port with a controller at the other end, on a clock the test moves.
class SimFixture : public ::testing::Test {
protected:
    explicit SimFixture(ControllerOptions options = {}) : controller(options), port(controller, clock) {
        port.setCtsHandler([this](bool on) { ctsEvents << qMakePair(clock.nowUs(), on); });
        port.setDsrHandler([this](bool on) { dsrEvents << qMakePair(clock.nowUs(), on); });
    }

    void openAndLink(const QByteArray& monitor = kMonitorXY) {
        port.open();
        port.write(kLinkReset + monitor);
    }
    QByteArray readAll() { return port.read(1 << 20); }
    // The last complete status frame of n items in what was read.
    static QByteArray lastFrame(const QByteArray& got, int n) {
        const qsizetype end = got.lastIndexOf('\x14');
        return end < 10 * n + 24 ? QByteArray() : got.mid(end - 10 * n - 24, 10 * n + 25);
    }
    // Eight digit bytes 0x30 + d read back as a signed value.
    static qint32 digitsValue(const QByteArray& digits) {
        quint32 v = 0;
        for (char c : digits)
            v = (v << 4) | quint32(c - 0x30);
        return qint32(v);
    }
    QByteArray sent() const { return controller.log().bytes(WireRecorder::Kind::ToController); }

    velmorix::test::ManualClock clock;
    SimulatedController controller;
    SimulatedPort port;
    QList<QPair<qint64, bool>> ctsEvents;
    QList<QPair<qint64, bool>> dsrEvents;
};

} // namespace velmorix::sim::test
