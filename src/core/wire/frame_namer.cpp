#include "core/wire/frame_namer.h"

#include "core/link/digits.h"
#include "core/link/frames.h"

#include <optional>

namespace velmorix {

namespace {

// A run of bytes no known piece claims, given out as one unnamed piece.
struct UnknownRun {
    QList<WirePiece>& out;
    qsizetype from = -1;
    void take(qsizetype at) {
        if (from < 0)
            from = at;
    }
    void flush(qsizetype at) {
        if (from >= 0)
            out << WirePiece{from, at - from, {}};
        from = -1;
    }
};

// The bytes the frame builders put before and after a content.
struct Around {
    QByteArray before;
    QByteArray after;
};
Around around(const QByteArray& built) {
    const qsizetype at = built.indexOf('\x01');
    return {built.left(at), built.mid(at + 1)};
}

// The fixed parts of every request, taken from the builders themselves.
struct Shapes {
    QByteArray linkReset = frames::linkReset();
    QByteArray resetSignal = frames::resetSignal();
    QByteArray abortMark = frames::abortMark();
    Around monitor = around(frames::monitorRequest("\x01"));
    QByteArray monitorData = frames::monitorData(0, {}).chopped(1); // "N0" CR "v"
    Around mdi = around(frames::mdi("\x01"));                       // after: CR "%" DC4
    QByteArray namedHead = around(frames::namedValueWrite(0, 0, "\x01")).before;
    QByteArray valueHead = [] {
        const QByteArray w = frames::valueWrite(0, 0);
        return w.left(w.indexOf('N') + 1);
    }();
    QByteArray readMark = QByteArray(1, ctl::DC4) + "@READ";
    QByteArray writeMark = QByteArray(1, ctl::DC4) + "@WRITE";
};
const Shapes& shapes() {
    static const Shapes s;
    return s;
}

// A reader over one entry's bytes from a position; every step fails softly.
struct Reader {
    const QByteArray& b;
    qsizetype at;

    bool take(const QByteArray& text) {
        if (b.size() - at < text.size() || QByteArrayView(b).sliced(at, text.size()) != text)
            return false;
        at += text.size();
        return true;
    }
    bool take(char c) {
        if (at >= b.size() || b[at] != c)
            return false;
        ++at;
        return true;
    }
    std::optional<qint64> decimal() {
        const qsizetype from = at;
        take('-');
        while (at < b.size() && b[at] >= '0' && b[at] <= '9')
            ++at;
        bool ok = false;
        const qint64 v = b.mid(from, at - from).toLongLong(&ok);
        return ok ? std::optional<qint64>(v) : std::nullopt;
    }
    std::optional<qint32> hex8() {
        if (b.size() - at < 8)
            return std::nullopt;
        const auto v = static_cast<qint32>(parseHexBytes(b.constData() + at, 8));
        at += 8;
        return v;
    }
    // Everything up to (not with) `c`.
    std::optional<QByteArray> upTo(char c) {
        const qsizetype end = b.indexOf(c, at);
        if (end < 0)
            return std::nullopt;
        const QByteArray out = b.mid(at, end - at);
        at = end;
        return out;
    }
};

// "N" n CR ("D" | "d") hex8 CR "%" DC4 after the program line of a value write; the end or nothing.
std::optional<qsizetype> valueBody(Reader r, char valueMark, qint64* number, qint32* value) {
    const auto n = r.decimal();
    if (!n || !r.take(ctl::CR) || !r.take(valueMark))
        return std::nullopt;
    const auto v = r.hex8();
    if (!v || !r.take(shapes().mdi.after))
        return std::nullopt;
    *number = *n;
    *value = *v;
    return r.at;
}

constexpr qsizetype kLongestStatusFrame = 10 * 46 + 25;
constexpr qsizetype kLongestRequest = 512;
constexpr qsizetype kLongestHandshake = 128;

QString text(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

} // namespace

QList<WirePiece> FrameNamer::name(WireRecorder::Kind kind, const QByteArray& bytes) {
    if (kind != WireRecorder::Kind::ToController && kind != WireRecorder::Kind::ToConsole)
        return {};
    const int d = kind == WireRecorder::Kind::ToController ? 0 : 1;
    const QByteArray data = m_pending[d] + bytes;
    m_pending[d].clear();
    QList<WirePiece> out = d == 0 ? fromConsole(data) : fromController(data);
    for (WirePiece& p : out)
        p.bytes = data.mid(p.offset, p.size);
    return out;
}

QList<WirePiece> FrameNamer::pending(WireRecorder::Kind kind) const {
    const QByteArray& held = m_pending[kind == WireRecorder::Kind::ToController ? 0 : 1];
    if (held.isEmpty() || (kind != WireRecorder::Kind::ToController && kind != WireRecorder::Kind::ToConsole))
        return {};
    return {WirePiece{0, held.size(), {}, held}};
}

qsizetype FrameNamer::body(const QByteArray& bytes, qsizetype at, int direction, QList<WirePiece>* out) {
    const bool goesOn = m_bodySoFar[direction] >= 0;
    const qsizetype dc4 = bytes.indexOf(ctl::DC4, at + (goesOn ? 0 : 1));
    // The reset signal's DC4 does not end the body: it breaks it off, and is the signal's own.
    if (direction == 0 && dc4 >= 0 && QByteArrayView(bytes).sliced(dc4).startsWith(shapes().resetSignal)) {
        const qint64 total = (goesOn ? m_bodySoFar[direction] : 0) + (dc4 - at);
        m_bodySoFar[direction] = -1;
        if (dc4 == at) {
            m_brokenOffAfter = total; // said with the reset signal
            return 0;
        }
        *out << WirePiece{at, dc4 - at, QStringLiteral("file body broken off, %1 bytes").arg(total)};
        return dc4 - at;
    }
    const qsizetype end = dc4 < 0 ? bytes.size() : dc4 + 1;
    const qint64 total = (goesOn ? m_bodySoFar[direction] : 0) + (end - at);
    QString name;
    if (dc4 < 0) {
        m_bodySoFar[direction] = total;
        name = goesOn ? QStringLiteral("file body goes on, %1 bytes so far").arg(total)
                      : QStringLiteral("file body begins");
    } else {
        m_bodySoFar[direction] = -1;
        name = goesOn ? QStringLiteral("end of file body, %1 bytes").arg(total)
                      : QStringLiteral("file body, %1 bytes").arg(total);
    }
    *out << WirePiece{at, end - at, name};
    return end - at;
}

// The request that begins at `at`: its size and name.
std::optional<std::pair<qsizetype, QString>> FrameNamer::request(const QByteArray& bytes, qsizetype at) {
    const Shapes& s = shapes();
    const auto piece = [at](qsizetype end, QString name) {
        return std::optional<std::pair<qsizetype, QString>>({end - at, std::move(name)});
    };
    qint64 number = 0;
    qint32 value = 0;
    if (Reader r{bytes, at}; r.take(s.linkReset))
        return piece(r.at, QStringLiteral("link reset"));
    if (Reader r{bytes, at}; r.take(s.monitor.before) && r.take(s.monitorData)) {
        const auto count = r.decimal();
        const qsizetype end = bytes.indexOf(s.monitor.after, r.at);
        if (!count || end < 0)
            return std::nullopt;
        m_seq = (m_seq + 1) % 8;
        return piece(end + s.monitor.after.size(),
                     QStringLiteral("monitor request seq %1, %2 variables").arg(m_seq).arg(*count));
    }
    if (Reader r{bytes, at}; r.take(s.valueHead)) {
        if (const auto end = valueBody(r, 'D', &number, &value))
            return piece(*end, QStringLiteral("value write %1=%2").arg(number).arg(value));
        return std::nullopt;
    }
    if (Reader r{bytes, at}; r.take(s.namedHead)) {
        const auto name = r.upTo(')');
        if (name && r.take(')') && r.take(ctl::CR) && r.take('N'))
            if (const auto end = valueBody(r, 'd', &number, &value))
                return piece(
                    *end,
                    QStringLiteral("named value write %1 %2=%3").arg(text(*name)).arg(number).arg(value));
        return std::nullopt;
    }
    if (Reader r{bytes, at}; r.take(s.mdi.before)) {
        const qsizetype end = bytes.indexOf(s.mdi.after, r.at);
        if (end < 0)
            return std::nullopt;
        return piece(end + s.mdi.after.size(), QStringLiteral("MDI ") + text(bytes.mid(r.at, end - r.at)));
    }
    if (Reader r{bytes, at}; r.take(s.resetSignal)) {
        QString name = QStringLiteral("reset signal");
        if (m_brokenOffAfter >= 0)
            name += QStringLiteral(", file body broken off after %1 bytes").arg(m_brokenOffAfter);
        m_brokenOffAfter = -1;
        return piece(r.at, name);
    }
    if (Reader r{bytes, at}; r.take(s.abortMark))
        return piece(r.at, QStringLiteral("abort mark"));
    return std::nullopt;
}

QList<WirePiece> FrameNamer::fromConsole(const QByteArray& bytes) {
    QList<WirePiece> out;
    UnknownRun unknown{out};
    qsizetype at = 0;
    if (m_bodySoFar[0] >= 0)
        at += body(bytes, 0, 0, &out);
    while (at < bytes.size()) {
        if (const auto known = request(bytes, at)) {
            unknown.flush(at);
            out << WirePiece{at, known->first, known->second};
            at += known->first;
        } else if ((bytes[at] == ctl::STX || bytes[at] == ctl::DC2) && bytes.indexOf(ctl::DC4, at) < 0 &&
                   bytes.size() - at < kLongestRequest) {
            unknown.flush(at);
            m_pending[0] = bytes.mid(at); // a request cut by the end of the entry
            return out;
        } else if (bytes[at] == ctl::DC2) {
            unknown.flush(at);
            at += body(bytes, at, 0, &out);
        } else {
            unknown.take(at);
            ++at;
        }
    }
    unknown.flush(bytes.size());
    return out;
}

// A handshake at `at` ("@WRITE(name)", "@READ(name)"): the bytes it takes, 0 when there is none,
// -1 when it is cut by the end of the entry and waits for the next.
qsizetype FrameNamer::handshake(const QByteArray& bytes, qsizetype at, QList<WirePiece>* out) {
    const Shapes& s = shapes();
    const QByteArray rest = bytes.mid(at, kLongestHandshake);
    if (rest.size() < kLongestHandshake && !rest.contains(')') &&
        (s.writeMark.startsWith(rest.left(s.writeMark.size())) ||
         s.readMark.startsWith(rest.left(s.readMark.size())))) {
        m_pending[1] = rest;
        return -1;
    }
    Reader r{bytes, at};
    const bool write = Reader(r).take(s.writeMark);
    if (!write && !r.take(s.readMark))
        return 0;
    const qsizetype open = bytes.indexOf('(', at);
    const qsizetype close = bytes.indexOf(')', at);
    if (open < 0 || close < open)
        return 0;
    *out << WirePiece{at, close + 1 - at,
                      (write ? QStringLiteral("@WRITE(") : QStringLiteral("@READ(")) +
                          text(bytes.mid(open + 1, close - open - 1)) + QLatin1Char(')')};
    return close + 1 - at;
}

// A status frame (10 N + 25 bytes, "H" at 9, "%" DC4 at its end) or a file body at the DC2 at `at`: the
// bytes it takes, or -1 when it is cut by the end of the entry and waits for the next.
qsizetype FrameNamer::frameOrBody(const QByteArray& bytes, qsizetype at, QList<WirePiece>* out) {
    const qsizetype dc4 = bytes.indexOf(ctl::DC4, at);
    if (dc4 < 0 && bytes.size() - at < kLongestStatusFrame) {
        m_pending[1] = bytes.mid(at);
        return -1;
    }
    const qsizetype length = dc4 < 0 ? -1 : dc4 + 1 - at;
    if (length >= 25 && (length - 25) % 10 == 0 && (length - 25) / 10 <= 46 && bytes[at + 9] == 'H' &&
        bytes[dc4 - 1] == '%') {
        m_seq = int(parseHexBytes(bytes.constData() + at + 17, 1) & 7);
        *out << WirePiece{at, length,
                          QStringLiteral("status frame seq %1, N=%2").arg(m_seq).arg((length - 25) / 10)};
        return length;
    }
    return body(bytes, at, 1, out);
}

QList<WirePiece> FrameNamer::fromController(const QByteArray& bytes) {
    QList<WirePiece> out;
    UnknownRun unknown{out};
    qsizetype at = 0;
    if (m_bodySoFar[1] >= 0)
        at += body(bytes, 0, 1, &out);
    while (at < bytes.size()) {
        const char c = bytes[at];
        qsizetype taken = 0;
        if (c == ctl::DC1 || c == ctl::DC3) {
            unknown.flush(at);
            out << WirePiece{at, 1, c == ctl::DC1 ? QStringLiteral("XON") : QStringLiteral("XOFF")};
            taken = 1;
        } else if (c == ctl::DC4) {
            QList<WirePiece> piece;
            taken = handshake(bytes, at, &piece);
            if (taken != 0)
                unknown.flush(at);
            out << piece;
        } else if (c == ctl::DC2) {
            unknown.flush(at);
            taken = frameOrBody(bytes, at, &out);
        }
        if (taken < 0)
            return out;
        if (taken == 0) {
            unknown.take(at);
            taken = 1;
        }
        at += taken;
    }
    unknown.flush(bytes.size());
    return out;
}

} // namespace velmorix
