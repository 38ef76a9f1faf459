#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <optional>

namespace velmorix::sim {

// One thing the console asked for, as the controller understood it.
struct Request {
    enum class Kind {
        LinkReset,       // 5 STX, DC4, DC2 % O9000 N1 % DC4, 5 ETX
        Monitor,         // the list of variables to stream (`list`)
        ValueWrite,      // `number` <- `value`
        NamedValueWrite, // `number` <- `value` with `name` (10768: transfer announcement)
        Mdi,             // `text` is the command
        ResetSignal,     // DC4 and four TABs; `endedBody` when its DC4 was taken as a body's or tape's end
        AbortMark,       // "%" DC4 outside a block
        UnknownBlock,    // a block the controller cannot read (`text` is its content)
        FileBody,        // the content of a send frame, between its DC2 and DC4 (`text`)
        DncLine,         // one line of a program fed line by line (`text`, without CR)
        DncEnd,          // the DC4 that ends a program fed line by line
    };
    Kind kind = Kind::UnknownBlock;
    QList<int> list;
    int number = 0;
    qint32 value = 0;
    QByteArray name;
    QByteArray text;
    bool endedBody = false;
};

// Turns the bytes arriving from the console into requests, one byte at a time. What a block means
// depends on what the controller is doing: normally every block is a request; while it waits for a
// file a block without STX before it is the file; while it runs a program line by line, text after a
// DC2 without STX is program lines and only STX-led blocks are requests.
class RequestParser {
public:
    enum class Mode { Requests, FileBody, Dnc };

    void setMode(Mode mode);
    Mode mode() const { return m_mode; }
    // Forgets any partly received block or line.
    void dropPartial();

    // What the byte completes: usually nothing or one request, two when it shows that a body ended
    // at the DC4 before it (that body, then its own request).
    QList<Request> feed(quint8 byte);
    // The DC4 that ends a file body or a DNC tape may be the first byte of the reset signal, which
    // breaks the body off instead; the body counts as ended once the next byte is no TAB, or when the
    // line stays quiet (takeHeld).
    bool holdingBody() const { return m_held.has_value(); }
    std::optional<Request> takeHeld();
    // Characters of the program line being received, not yet ended by its CR.
    qsizetype partialLineBytes() const { return m_dncData ? m_line.size() : 0; }

    // Reads the content of a request block (between DC2 and DC4); nullopt when it is no request.
    static std::optional<Request> parseBlock(const QByteArray& content);

private:
    std::optional<Request> step(char b);
    void openBlock();
    std::optional<Request> closeBlock(bool afterPercent);
    std::optional<Request> take(char b);

    std::optional<Request> m_held;
    Mode m_mode = Mode::Requests;
    bool m_inBlock = false;
    bool m_blockIsRequest = true;
    bool m_stxSeen = false;
    bool m_dncData = false;
    bool m_prevPercent = false;
    int m_tabsAfterDc4 = -1;
    QByteArray m_block;
    QByteArray m_line;
};

} // namespace velmorix::sim
