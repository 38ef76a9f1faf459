#pragma once

#include "platform/serial_port.h"

#include <QStringList>
#include <utility>

namespace velmorix::test {

// Everything a port reports, in order ("CTS on", "DSR off", "error"), marked " (closed)" where the
// port did not count as open at that moment; the error texts and the "learned" reports beside it.
struct PortEvents {
    QStringList seen;
    QStringList errors;
    int learned = 0;

    void attach(SerialPort& port) {
        const auto note = [this, &port](const QString& what) {
            seen << (port.isOpen() ? what : what + QStringLiteral(" (closed)"));
        };
        port.setCtsHandler(
            [note](bool on) { note(on ? QStringLiteral("CTS on") : QStringLiteral("CTS off")); });
        port.setDsrHandler(
            [note](bool on) { note(on ? QStringLiteral("DSR on") : QStringLiteral("DSR off")); });
        port.setErrorHandler([this, note](const QString& text) {
            note(QStringLiteral("error"));
            errors << text;
        });
        port.setLearnedHandler([this] { ++learned; });
    }
    QStringList take() { return std::exchange(seen, {}); }
};

} // namespace velmorix::test
