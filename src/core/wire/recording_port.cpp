#include "core/wire/recording_port.h"

namespace velmorix {

using Kind = WireRecorder::Kind;

RecordingPort::RecordingPort(std::unique_ptr<SerialPort> inner, WireRecorder& recorder, Clock& clock)
    : RecordingPort(*inner, recorder, clock) {
    m_owned = std::move(inner);
}

RecordingPort::~RecordingPort() {
    // Whatever the port still reports (closing as it goes) has nobody to go to.
    m_inner->setCtsHandler({});
    m_inner->setDsrHandler({});
    m_inner->setErrorHandler({});
    m_inner->setLearnedHandler({});
}

RecordingPort::RecordingPort(SerialPort& inner, WireRecorder& recorder, Clock& clock)
    : m_inner(&inner), m_recorder(recorder), m_clock(clock) {
    m_inner->setCtsHandler([this](bool on) {
        m_recorder.addLine(on ? QStringLiteral("CTS on") : QStringLiteral("CTS off"), sinceLinkUs());
        reportCts(on);
    });
    m_inner->setDsrHandler([this](bool on) {
        m_recorder.addLine(on ? QStringLiteral("DSR on") : QStringLiteral("DSR off"), sinceLinkUs());
        reportDsr(on);
    });
    m_inner->setErrorHandler([this](const QString& text) {
        m_recorder.addNote(QStringLiteral("port failed: ") + text, sinceLinkUs());
        reportError(text);
    });
    m_inner->setLearnedHandler([this] {
        if (const QStringList refused = m_inner->refusedSettings(); !refused.isEmpty())
            m_recorder.addNote(QStringLiteral("not confirmed: ") + refused.join(QStringLiteral(", ")),
                               sinceLinkUs());
        if (const QString note = m_inner->lineNote(); !note.isEmpty())
            m_recorder.addNote(note, sinceLinkUs());
        reportLearned();
    });
}

bool RecordingPort::open() {
    if (m_inner->isOpen())
        return m_inner->open();
    m_linkUs = m_clock.nowUs();
    const PortSettings s = m_inner->settings();
    // Times count from here; the wall clock says when here was.
    m_recorder.addNote(QStringLiteral("open %1 %2 at %3")
                           .arg(s.name, lineSettingsText(s), wallClockText(m_clock.localDateTime())),
                       0);
    const bool opened = m_inner->open();
    if (!opened)
        m_recorder.addNote(QStringLiteral("open failed: ") + m_inner->errorString(), sinceLinkUs());
    return opened;
}

qint64 RecordingPort::write(const QByteArray& bytes) {
    const qint64 n = m_inner->write(bytes);
    if (n > 0)
        m_recorder.add(Kind::ToController, n == bytes.size() ? bytes : bytes.left(n), sinceLinkUs());
    return n;
}

QByteArray RecordingPort::read(qint64 maxCount) {
    QByteArray bytes = m_inner->read(maxCount);
    m_recorder.add(Kind::ToConsole, bytes, sinceLinkUs());
    return bytes;
}

void RecordingPort::clearBuffer(bool input, bool output) {
    // The input had crossed the line; it is recorded before it goes.
    if (input && m_inner->isOpen()) {
        const qint64 waiting = m_inner->inputCount();
        if (waiting > 0)
            m_recorder.add(Kind::ToConsole, m_inner->read(waiting), sinceLinkUs());
    }
    m_inner->clearBuffer(input, output);
}

PortFactory recordingFactory(PortFactory factory, WireRecorder& recorder, Clock& clock) {
    return [factory = std::move(factory), &recorder, &clock](const QString& device) {
        return std::unique_ptr<SerialPort>(std::make_unique<RecordingPort>(factory(device), recorder, clock));
    };
}

QString wallClockText(const QDateTime& t) {
    const int offset = t.offsetFromUtc() / 60;
    const int minutes = offset < 0 ? -offset : offset;
    return t.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + QLatin1Char(offset < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace velmorix
