#include "sim/request_parser.h"

#include "sim/codec.h"

namespace velmorix::sim {

void RequestParser::setMode(Mode mode) {
    m_mode = mode;
    m_dncData = false;
    m_line.clear();
}

void RequestParser::dropPartial() {
    m_held.reset();
    m_inBlock = false;
    m_block.clear();
    m_line.clear();
    m_dncData = false;
    m_stxSeen = false;
    m_prevPercent = false;
}

std::optional<Request> RequestParser::takeHeld() {
    std::optional<Request> out = std::move(m_held);
    m_held.reset();
    return out;
}

QList<Request> RequestParser::feed(quint8 byte) {
    const char b = static_cast<char>(byte);
    QList<Request> out;

    // The reset signal is recognised wherever it comes: DC4 and four TABs. When its DC4 was taken as
    // the end of a body, the body was broken off, never ended.
    if (b == kTab && m_tabsAfterDc4 >= 0) {
        if (++m_tabsAfterDc4 == 4) {
            m_tabsAfterDc4 = -1;
            const bool endedBody = m_held.has_value();
            dropPartial();
            Request reset{Request::Kind::ResetSignal, {}, 0, 0, {}, {}};
            reset.endedBody = endedBody;
            out << reset;
        }
        return out;
    }
    if (m_held)
        out << *takeHeld();
    m_tabsAfterDc4 = b == kDc4 ? 0 : -1;
    if (auto request = step(b)) {
        // A body or a tape is held until the next byte shows whether its DC4 began the reset signal.
        if (request->kind == Request::Kind::FileBody || request->kind == Request::Kind::DncEnd)
            m_held = std::move(request);
        else
            out << *request;
    }
    return out;
}

std::optional<Request> RequestParser::step(char b) {
    const bool wasPercent = m_prevPercent;
    m_prevPercent = false;
    switch (b) {
    case kStx:
        m_stxSeen = true;
        m_inBlock = false; // whatever was partly received is dropped
        m_block.clear();
        return std::nullopt;
    case kEtx:
        m_stxSeen = false;
        return std::nullopt;
    case kDc2:
        openBlock();
        return std::nullopt;
    case kDc4:
        return closeBlock(wasPercent);
    default:
        return take(b);
    }
}

void RequestParser::openBlock() {
    // While a program runs line by line, a DC2 without STX opens its lines, once.
    if (m_mode == Mode::Dnc && !m_stxSeen) {
        if (!m_dncData) {
            m_dncData = true;
            m_line.clear();
        }
        return;
    }
    m_inBlock = true;
    m_block.clear();
    m_blockIsRequest = m_mode == Mode::Requests || m_stxSeen;
}

std::optional<Request> RequestParser::closeBlock(bool afterPercent) {
    std::optional<Request> out;
    if (m_inBlock) {
        m_inBlock = false;
        m_stxSeen = false;
        const auto request = parseBlock(m_block);
        if (m_blockIsRequest)
            out = request ? *request : Request{Request::Kind::UnknownBlock, {}, 0, 0, {}, m_block};
        else if (request && request->kind == Request::Kind::LinkReset)
            out = request;
        else
            out = Request{Request::Kind::FileBody, {}, 0, 0, {}, m_block};
        m_block.clear();
    } else if (m_dncData) {
        m_dncData = false;
        out = Request{Request::Kind::DncEnd, {}, 0, 0, {}, m_line};
        m_line.clear();
    } else if (afterPercent) {
        out = Request{Request::Kind::AbortMark, {}, 0, 0, {}, {}};
    }
    return out;
}

std::optional<Request> RequestParser::take(char b) {
    if (m_inBlock) {
        m_block.append(b);
    } else if (m_dncData) {
        if (b == kCr) {
            Request line{Request::Kind::DncLine, {}, 0, 0, {}, m_line};
            m_line.clear();
            return line;
        }
        if (b != '\n')
            m_line.append(b);
    } else {
        m_prevPercent = b == '%';
    }
    return std::nullopt;
}

std::optional<Request> RequestParser::parseBlock(const QByteArray& content) {
    // A byte with a parity error arrives as 0: the block cannot be trusted, and is not obeyed.
    if (content.contains('\0'))
        return std::nullopt;
    const QList<QByteArray> lines = content.split(kCr);
    if (lines.size() < 4 || lines.first() != "%" || lines.last() != "%")
        return std::nullopt;
    const QByteArray& program = lines[1];
    Request r;
    if (program == "O9000") {
        if (lines.size() == 4 && lines[2] == "N1") {
            r.kind = Request::Kind::LinkReset;
            return r;
        }
        if (lines.size() == 5 && lines[2] == "N000011") {
            r.kind = Request::Kind::Mdi;
            r.text = lines[3];
            return r;
        }
        if (lines[2] == "N0" && lines.size() >= 5 && lines[3].startsWith('v')) {
            const auto count = parseDecimal(lines[3].mid(1));
            if (!count || *count != lines.size() - 5)
                return std::nullopt;
            r.kind = Request::Kind::Monitor;
            for (qsizetype i = 4; i < lines.size() - 1; ++i) {
                const auto n = lines[i].startsWith('D') ? parseDecimal(lines[i].mid(1)) : std::nullopt;
                if (!n)
                    return std::nullopt;
                r.list << static_cast<int>(*n);
            }
            return r;
        }
        return std::nullopt;
    }
    if (program.startsWith("O9012") && lines.size() == 5 && lines[2].startsWith('N')) {
        const auto n = parseDecimal(lines[2].mid(1));
        if (!n)
            return std::nullopt;
        r.number = static_cast<int>(*n);
        if (program == "O9012" && lines[3].startsWith('D')) {
            r.kind = Request::Kind::ValueWrite;
        } else if (program.startsWith("O9012(") && program.endsWith(')') && lines[3].startsWith('d')) {
            r.kind = Request::Kind::NamedValueWrite;
            r.name = program.mid(6, program.size() - 7);
        } else {
            return std::nullopt;
        }
        const auto v = parseDigits8(lines[3].mid(1));
        if (!v)
            return std::nullopt;
        r.value = *v;
        return r;
    }
    return std::nullopt;
}

} // namespace velmorix::sim
