#pragma once

#include <QByteArray>
#include <QList>
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
        ResetSignal,     // DC4 and four TABs
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

    std::optional<Request> feed(quint8 byte);
    // Characters of the program line being received, not yet ended by its CR.
    qsizetype partialLineBytes() const { return m_dncData ? m_line.size() : 0; }

    // Reads the content of a request block (between DC2 and DC4); nullopt when it is no request.
    static std::optional<Request> parseBlock(const QByteArray& content);

private:
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
