#pragma once

#include <QByteArray>
#include <optional>

namespace velmorix {

// The controller's answers to a file request, looked for in the text gathered while a transfer
// waits. Both detectors only read; the transfer acts on what they found.

// DC4 "@WRITE(" name ")" and the file body from the first DC2 after the ")".
struct WriteAnnouncement {
    QByteArray name;                // between the first "(" and the first ")"; empty until both arrived
    std::optional<QByteArray> body; // the gathered text from the DC2 that opens the body, once it arrived
};

// Every announcement in the text is looked at in turn; the last one decides the name, the last one
// whose body has begun decides the body. Nothing while no announcement has begun.
std::optional<WriteAnnouncement> detectWriteAnnouncement(const QByteArray& rxText);

// DC4 "@READ(" … ")": the controller takes the file the console offers.
bool detectReadAcknowledgement(const QByteArray& rxText);

} // namespace velmorix
