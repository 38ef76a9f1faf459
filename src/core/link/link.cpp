#include "core/link/link.h"

#include "core/base/hold.h"
#include "core/link/frames.h"
#include "core/link/port_advice.h"
#include "platform/clock.h"

namespace velmorix {

Link::Link(ConsoleState& state, Prompts& prompts, Hold& hold, Clock& clock, PortFactory factory)
    : m_state(state), m_prompts(prompts), m_hold(hold), m_clock(clock), m_factory(std::move(factory)) {}

void Link::attach(const QString& device) {
    if (m_port && device == m_device)
        return;
    if (m_port)
        m_port->close();
    m_port = m_factory(device);
    m_device = device;
    m_port->setCtsHandler([this](bool on) { ComPortCTSChange(on); });
    m_port->setDsrHandler([this](bool on) { ComPortDSRChange(on); });
    m_port->setErrorHandler([this](const QString& text) {
        if (m_hooks.portError)
            m_hooks.portError(text);
    });
    m_port->setLearnedHandler([this] { portLearned(); });
}

void Link::portLearned() {
    // A device server answers over the network: what it did not confirm is known only later, and is
    // said then, as a refusal at the open is.
    const QString note = velmorix::refusalNote(m_device, m_port->refusedSettings());
    const bool fresh = !note.isEmpty() && note != m_refusal;
    m_refusal = note;
    m_state.view.statusPanel1Hint = chosenDeviceHint();
    if (fresh && m_hooks.lateNote)
        m_hooks.lateNote(note);
    if (m_hooks.lineChanged)
        m_hooks.lineChanged();
}

bool Link::OpenPort() {
    const bool opened = openWith(lineSettings(m_state.comm));
    m_state.view.statusPanels[1] = portDescription(m_state.comm, m_state.env.ComStartNum);
    m_state.view.statusPanel1Hint = chosenDeviceHint();
    return opened;
}

QString Link::chosenDeviceHint() const {
    const QString name = portName(m_state.comm, m_state.env.ComStartNum);
    const QString device = m_names.device(name);
    const QString hint = deviceHint(name, device);
    const QString learned = m_port && m_device == device ? m_port->lineNote() : QString();
    return learned.isEmpty() ? hint : hint + QStringLiteral("; ") + learned;
}

bool Link::openWith(const PortSettings& line) {
    const QString name = portName(m_state.comm, m_state.env.ComStartNum);
    attach(m_names.device(name));
    PortSettings settings = line;
    settings.name = m_device;
    m_port->setSettings(settings);
    m_lineClock.setSettings(settings);
    const bool wasOpen = m_port->isOpen();
    const bool opened = wasOpen || m_port->open();
    if (opened && !wasOpen) {
        // A fresh line: what waited in the input before this open (frames streamed to nobody, a
        // previous session's answers) says nothing about now.
        m_port->clearBuffer(true, false);
        m_lineClock.reset(m_clock.nowUs());
    }
    m_refusal = opened ? velmorix::refusalNote(m_device, m_port->refusedSettings()) : QString();
    m_openFailure.clear();
    if (!opened) {
        const QString reason = m_port->errorString();
        // A device given outright is named as itself, not by the port name that leads to it.
        const QString shownName = m_names.overridden() ? m_device : name;
        m_openFailure =
            m_inspector ? openFailureText(reason, shownName, m_device, m_inspector(m_device), m_settingsPath)
                        : QStringLiteral("Comm: ") + reason;
        if (!m_quiet)
            m_prompts.showMessage(m_openFailure);
    }
    return opened;
}

void Link::closePort() {
    if (m_port)
        m_port->close();
    m_lineClock.reset(m_clock.nowUs());
}

void Link::ComPortCTSChange(bool on) {
    m_lineClock.setCts(on, m_clock.nowUs());
    m_state.line.CtsReady = on;
    m_state.view.LabelCTSLit = on;
    if (m_hooks.lineChanged)
        m_hooks.lineChanged();
}

void Link::ComPortDSRChange(bool on) {
    m_state.line.LinkUp = on;
    m_state.view.LabelDSRLit = on;
    if (!on)
        m_state.seq.resync();
    if (m_hooks.lineChanged)
        m_hooks.lineChanged();
}

qint64 Link::write(const QByteArray& bytes, bool quiet) {
    if (!m_port) {
        if (!quiet)
            m_prompts.showMessage(QStringLiteral("Comm: the port is not open"));
        return -1;
    }
    const qint64 n = m_port->write(bytes);
    if (n > 0)
        m_lineClock.wrote(n, m_clock.nowUs());
    if (n < 0 && !quiet)
        m_prompts.showMessage(QStringLiteral("Comm: ") + m_port->errorString());
    return n;
}

qint64 Link::clearAtUs() const {
    return m_lineClock.clearAtUs(m_clock.nowUs());
}

bool Link::lineClearWithin(qint64 withinUs) {
    if (lineClear())
        return true;
    const qint64 left = clearAtUs() - m_clock.nowUs();
    if (left <= 0 || left > withinUs)
        return false;
    m_clock.waitUs(left);
    return lineClear();
}

qint64 Link::bytesInFlight() {
    if (!m_port || !m_port->isOpen())
        return 0;
    return m_lineClock.inFlight(m_clock.nowUs(), std::max<qint64>(m_port->outputCount(), 0));
}

void Link::SendMonitorRequest(const QByteArray& data) {
    const bool dnc = m_hooks.dncRunning && m_hooks.dncRunning();
    if (!dnc)
        SendLinkReset();
    if (!m_state.line.LinkUp)
        return;
    write(frames::monitorRequest(data));
    if (dnc && m_hooks.dncMonitorRequest)
        m_hooks.dncMonitorRequest();
    m_state.seq.RequestSeq = (m_state.seq.RequestSeq + 1) % 8;
    m_state.seq.FrameValid = false;
}

void Link::SendLinkReset() {
    write(frames::linkReset());
    if (m_port)
        m_port->clearBuffer(true, false);
    if (m_hooks.ringReset)
        m_hooks.ringReset();
}

bool Link::refusedDuringRun(const QString& what) {
    if (!m_hooks.runOwnsLine || !m_hooks.runOwnsLine())
        return false;
    if (m_hooks.ownedByRun)
        m_hooks.ownedByRun(what);
    return true;
}

void Link::SendValueWrite(qint32 number, qint32 value) {
    if (refusedDuringRun(QStringLiteral("Write")))
        return;
    write(frames::valueWrite(number, value));
}

void Link::SendNamedValueWrite(qint32 number, qint32 value, const QByteArray& name) {
    if (!m_state.line.CtsReady || !m_state.line.LinkUp)
        return;
    // The run's own announcement goes before it owns the line.
    if (refusedDuringRun(QStringLiteral("Write")))
        return;
    write(frames::namedValueWrite(number, value, name));
}

void Link::sendMdi(const QByteArray& command) {
    if (refusedDuringRun(QStringLiteral("MDI")))
        return;
    write(frames::mdi(command));
}

void Link::SendResetSignal(std::function<void()> then) {
    if (!m_state.line.CtsReady || !m_state.line.LinkUp) {
        if (then)
            then();
        return;
    }
    write(frames::resetSignal());
    m_hold.pause(200, std::move(then));
}

void Link::sendAbortMark() {
    write(frames::abortMark());
}

void Link::breakBody() {
    if (!m_port || !m_port->isOpen())
        return;
    // What has not left yet never reaches the controller; the line clock keeps what may be on the
    // wire already.
    m_port->clearBuffer(false, true);
    if (m_state.line.LinkUp)
        write(frames::resetSignal());
}

} // namespace velmorix
