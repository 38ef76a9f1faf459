#include "cli/commands.h"

#include "cli/session.h"
#include "core/base/ini_file.h"
#include "core/files/dnc_lines.h"
#include "core/files/file_receiver.h"
#include "core/files/file_sender.h"
#include "core/files/file_types.h"
#include "core/files/read_file.h"
#include "core/link/port_names.h"
#include "core/mdi/mdi.h"
#include "core/poll/poll_cycle.h"
#include "core/poll/status_texts.h"
#include "core/tables/text_tables.h"
#include "platform/network_address.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <cstdio>

namespace velmorix::cli {

namespace {

void say(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void result(const QString& line) {
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// The options of every command that links, and the parsing every command shares.
struct Options {
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("The port: a COM name of [ComPorts] in Config/Environment.ini, a "
                                           "device path, a serial device server as rfc2217://HOST:PORT "
                                           "or tcp://HOST:PORT, or simulator for the built-in controller."),
                            QStringLiteral("PORT")};
    QCommandLineOption setup{
        QStringLiteral("setup"),
        QStringLiteral("The console's six-digit setup code: rate, parity, data and stop bits "
                       "(default 142720: 38400, even, 7, 2)."),
        QStringLiteral("CODE"), QStringLiteral("142720")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("No progress line on standard error.")};
    QCommandLineOption simLog{
        QStringLiteral("sim-log"),
        QStringLiteral("With --port simulator: write the built-in controller's wire log, "
                       "with what became of each file, to FILE."),
        QStringLiteral("FILE")};
    QCommandLineOption wireLog{
        QStringLiteral("wire-log"),
        QStringLiteral("Write the wire log, every byte the console writes and reads and every line "
                       "change, to FILE as the link runs (- for standard output)."),
        QStringLiteral("FILE")};
    QCommandLineOption simFault{
        QStringLiteral("sim-fault"),
        QStringLiteral("With --port simulator: a fault of the built-in controller, as "
                       "velmorix-sim --fault takes it (may be given again)."),
        QStringLiteral("FAULT")};

    void addTo(QCommandLineParser& p) const { p.addOptions({port, setup, quiet, wireLog, simLog, simFault}); }
    LinkOptions read(const QCommandLineParser& p) const {
        LinkOptions o;
        o.port = p.value(port);
        o.setup = p.value(setup);
        o.quiet = p.isSet(quiet);
        o.wireLog = p.value(wireLog);
        o.simLog = p.value(simLog);
        o.simFaults = p.values(simFault);
        return o;
    }
};

// Parses the command's arguments; on --help prints the help, on a mistake one line. Returns the exit
// status to leave with, or nothing to go on.
std::optional<int> parse(QCommandLineParser& p, const QString& command, const QString& description,
                         const QStringList& args) {
    p.setApplicationDescription(description);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays this help."));
    p.addOption(help);
    if (!p.parse(QStringList{QStringLiteral("velmorix-cli")} + args)) {
        say(QStringLiteral("%1: %2").arg(command, p.errorText()));
        return kUsage;
    }
    if (p.isSet(help)) {
        QString text = p.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")),
                     QStringLiteral("Usage: velmorix-cli ") + command);
        std::fwrite(text.toLocal8Bit().constData(), 1, size_t(text.toLocal8Bit().size()), stdout);
        return kDone;
    }
    return std::nullopt;
}

// How long a command waits for the controller's first status after linking.
constexpr int kStatusWaitMs = 5000;

int usage(const QString& line) {
    say(line);
    return kUsage;
}

QString duration(qint64 ms) {
    return QStringLiteral("%1:%2").arg(ms / 60000).arg((ms / 1000) % 60, 2, 10, QLatin1Char('0'));
}

// Links the session; a failure is said in one line.
int link(Session& s) {
    QString error;
    const int status = s.open(&error);
    if (status != kDone && !error.isEmpty())
        say(error);
    return status;
}

// What a command waits for: how the transfer ended.
struct Waiter {
    std::optional<TransferEnd> end;
    void attach(Console& console) {
        console.setTransferObserver([this](const TransferEnd& e) { end = e; });
    }
};

// The progress of a send or receive, from the page's gauge.
void showProgress(Session& s, const QElapsedTimer& since, const char* unit) {
    const FilePageView& v = s.console().filePage().view();
    if (v.gaugeMax <= 0)
        return;
    const qint64 done = v.gaugePosition;
    const qint64 ms = std::max<qint64>(since.elapsed(), 1);
    const qint64 rate = done * 1000 / ms;
    const qint64 left = rate > 0 ? (v.gaugeMax - done) * 1000 / rate : 0;
    s.progress(QStringLiteral("%1%  %2/%3 %4  %5/s  %6 left")
                   .arg(100 * done / v.gaugeMax, 3)
                   .arg(done)
                   .arg(v.gaugeMax)
                   .arg(QLatin1String(unit))
                   .arg(rate)
                   .arg(duration(left)));
}

// Loads FILE as the page would after the operator chose it.
bool load(Session& s, int type, const QString& path) {
    Console& c = s.console();
    c.GroupBoxOperateMouseDown(FilePage::Row::Send);
    c.ComboBoxSendFileChange(type);
    s.prompts().openPath = QFileInfo(path).absoluteFilePath();
    c.ButtonOpenFileClick();
    return s.runUntil([&c] { return !c.filePage().loading(); }) && c.filePage().fileListed();
}

} // namespace

int runSend(const QStringList& args) {
    QCommandLineParser p;
    Options common;
    common.addTo(p);
    const QCommandLineOption type(
        QStringLiteral("type"),
        QStringLiteral("The send type: 0-13 or its item (0:CNC … B:999, C:ARM, D:DNC)."),
        QStringLiteral("TYPE"));
    const QCommandLineOption flash(
        QStringLiteral("flash"),
        QStringLiteral("After the send, the type's flash-write command, as \"w2Flash\" "
                       "does; the command waits for it to go out."));
    const QCommandLineOption fromLine(
        QStringLiteral("from-line"),
        QStringLiteral("D:DNC only: feed from line N (1 = the first) as a new run."), QStringLiteral("N"));
    const QCommandLineOption preamble(
        QStringLiteral("preamble"),
        QStringLiteral("With --from-line: first send the modal state in force at line N (the last code of "
                       "each modal G group, F, S, T, spindle and coolant M codes, work offset), taken from "
                       "the lines before it. Without it the state is only printed."));
    const QCommandLineOption controllerBuffer(
        QStringLiteral("controller-buffer"),
        QStringLiteral("D:DNC only: bytes of program the controller's receive buffer holds, which bounds "
                       "the lines it may not have run when a run stops (default: [Dnc] "
                       "ControllerBufferBytes of Config/Environment.ini, or 4096)."),
        QStringLiteral("BYTES"));
    p.addOptions({type, flash, fromLine, preamble, controllerBuffer});
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file to send."));
    if (const auto status =
            parse(p, QStringLiteral("send"),
                  QStringLiteral("Sends FILE to the controller as the console's SendOut does. It succeeds "
                                 "only when the last byte has crossed the line and the controller's next "
                                 "status carries no new error number (a DNC run: when its last line has "
                                 "crossed and no new error came during it)."),
                  args))
        return *status;
    const auto item = findSendFileType(p.value(type));
    if (!p.isSet(type) || !item)
        return usage(
            QStringLiteral("send: unknown type %1 (0-13 or an item such as 3:PLC)").arg(p.value(type)));
    if (p.positionalArguments().size() != 1)
        return usage(QStringLiteral("send: give exactly one FILE"));
    const QString path = p.positionalArguments().first();
    const FileContent content = readWholeFile(path);
    if (!content.ok)
        return usage(QStringLiteral("send: cannot read %1: %2").arg(path, content.error));
    const bool dnc = *item == kDncTypeIndex;
    qint32 startLine = 1;
    if (p.isSet(fromLine)) {
        bool ok = false;
        startLine = p.value(fromLine).toInt(&ok);
        if (!dnc)
            return usage(QStringLiteral("send: --from-line is for D:DNC only"));
        if (!ok || startLine < 1)
            return usage(
                QStringLiteral("send: --from-line %1 is not a line (1 = the first)").arg(p.value(fromLine)));
        const qsizetype lines = DncLines(content.bytes).count();
        if (startLine > lines)
            return usage(
                QStringLiteral("send: --from-line %1 is past the end (%2 lines)").arg(startLine).arg(lines));
    }
    if (p.isSet(preamble) && !p.isSet(fromLine))
        return usage(QStringLiteral("send: --preamble goes with --from-line"));
    LinkOptions linkOptions = common.read(p);
    if (p.isSet(controllerBuffer)) {
        bool ok = false;
        linkOptions.controllerBuffer = p.value(controllerBuffer).toInt(&ok);
        if (!ok || linkOptions.controllerBuffer < 0)
            return usage(QStringLiteral("send: --controller-buffer %1 is not a number of bytes")
                             .arg(p.value(controllerBuffer)));
    }

    Session s(linkOptions);
    if (const int status = link(s); status != kDone)
        return status;
    Console& c = s.console();
    // The error number the controller shows before the send is the baseline of its verdict.
    if (!s.waitForStatus(kStatusWaitMs)) {
        if (s.interrupted())
            return s.interruptedStatus();
        say(QStringLiteral("send: no status from the controller for %1 s").arg(kStatusWaitMs / 1000));
        return kFailed;
    }
    if (!load(s, *item, path)) {
        say(QStringLiteral("send: %1 holds nothing to send").arg(path));
        return kFailed;
    }
    if (p.isSet(flash))
        c.CheckBoxFlashClick(true);
    s.prompts().sendPreamble = p.isSet(preamble);
    Waiter waiter;
    waiter.attach(c);
    QElapsedTimer since;
    since.start();
    if (dnc)
        c.sendDncFromLine(startLine);
    else
        c.ButtonSendOutClick();
    if (dnc && startLine > 1 && !p.isSet(preamble) && !s.prompts().preambleOffered.isEmpty()) {
        QStringList blocks;
        for (const QByteArray& b : s.prompts().preambleOffered)
            blocks << QString::fromLatin1(b);
        say(QStringLiteral("the lines before line %1 set: %2 (not sent; --preamble sends them first)")
                .arg(startLine)
                .arg(blocks.join(QStringLiteral(" | "))));
    }
    QElapsedTimer shown;
    shown.start();
    s.runUntil([&] {
        if (shown.elapsed() >= 200) {
            showProgress(s, since, dnc ? "lines" : "bytes");
            shown.restart();
        }
        return waiter.end.has_value();
    });
    s.endProgress();
    if (s.interrupted() && !waiter.end) {
        s.stopCleanly();
        if (waiter.end)
            say(waiter.end->reason);
        return s.interruptedStatus();
    }
    if (waiter.end->kind != TransferEnd::Kind::Sent) {
        say(waiter.end->reason);
        s.drain(2000);
        s.close();
        return kFailed;
    }
    // Reported only once the last byte has left the port, and the flash command with it.
    if (p.isSet(flash))
        s.runUntil([&c] { return !c.TimerMdi_go().isEnabled() && !c.paused(); }, 10000);
    s.drain();
    result(QStringLiteral("sent %1 as %2")
               .arg(QFileInfo(path).fileName(), QString::fromLatin1(sendFileType(*item)->item)));
    s.close();
    return kDone;
}

int runReceive(const QStringList& args) {
    QCommandLineParser p;
    Options common;
    common.addTo(p);
    const QCommandLineOption type(
        QStringLiteral("type"),
        QStringLiteral("The receive type: 0-24 or its item (0:CNC, 9:Var-0099, S:999, "
                       "U:PLC, …)."),
        QStringLiteral("TYPE"));
    const QCommandLineOption output(
        QStringLiteral("output"),
        QStringLiteral("Save to PATH, overwriting what is there. Without it the file "
                       "is saved under the name the controller announced, in the "
                       "current folder, and an existing file is never overwritten."),
        QStringLiteral("PATH"));
    const QCommandLineOption accessCode(QStringLiteral("access-code"),
                                        QStringLiteral("U:PLC only: the console's service access code."),
                                        QStringLiteral("CODE"));
    p.addOptions({type, output, accessCode});
    if (const auto status =
            parse(p, QStringLiteral("receive"),
                  QStringLiteral("Takes a file from the controller as the console's RecvIn does and "
                                 "saves it as SaveFile does: as text, as a hex file's bytes or as a "
                                 "PLC program."),
                  args))
        return *status;
    const auto item = findRecvFileType(p.value(type));
    if (!p.isSet(type) || !item)
        return usage(
            QStringLiteral("receive: unknown type %1 (0-24 or an item such as S:999)").arg(p.value(type)));
    const RecvFileType& row = *recvFileType(*item);
    if (row.serviceOnly && !p.isSet(accessCode))
        return usage(QStringLiteral("receive: %1 needs --access-code").arg(QString::fromLatin1(row.item)));
    if (!p.positionalArguments().isEmpty())
        return usage(QStringLiteral("receive: unexpected %1").arg(p.positionalArguments().first()));

    Session s(common.read(p));
    if (const int status = link(s); status != kDone)
        return status;
    Console& c = s.console();
    if (row.serviceOnly) {
        s.prompts().accessCode = p.value(accessCode);
        c.TskIdAccess();
        if (!c.state().PlcUploadUnlocked)
            return usage(QStringLiteral("receive: the access code is not the console's"));
    }
    c.GroupBoxOperateMouseDown(FilePage::Row::Recv);
    c.ComboBoxRecvFileChange(*item);
    Waiter waiter;
    waiter.attach(c);
    QElapsedTimer since;
    since.start();
    c.ButtonRecvInClick();
    QElapsedTimer shown;
    shown.start();
    s.runUntil([&] {
        if (shown.elapsed() >= 200) {
            const QString size = c.filePage().view().LabelFileSize;
            s.progress(QStringLiteral("%1 bytes  %2").arg(size, duration(since.elapsed())));
            shown.restart();
        }
        return waiter.end.has_value() && !c.receiver().listing();
    });
    s.endProgress();
    if (s.interrupted() && !waiter.end) {
        s.stopCleanly();
        return s.interruptedStatus();
    }
    if (waiter.end->kind != TransferEnd::Kind::Received) {
        say(waiter.end->reason);
        s.close();
        return kFailed;
    }

    // Saved under the announced name in the current folder, never over a file that is there and
    // never outside the folder; or exactly where --output says.
    QString refused;
    const QDir here = QDir::current();
    s.prompts().saveAnswer = [&](const FileDialogRequest& request) -> std::optional<QString> {
        if (p.isSet(output))
            return QFileInfo(p.value(output)).absoluteFilePath();
        QString name =
            request.proposedName.isEmpty() ? QString::fromLatin1(row.nameSent) : request.proposedName;
        if (QFileInfo(name).suffix().isEmpty())
            name += QLatin1Char('.') + request.defaultSuffix;
        const QString target = here.absoluteFilePath(name);
        if (QFileInfo(target).absolutePath() != here.absolutePath()) {
            refused =
                QStringLiteral("receive: the announced name %1 leaves the folder; name it with --output")
                    .arg(request.proposedName);
            return std::nullopt;
        }
        if (QFileInfo::exists(target)) {
            refused = QStringLiteral("receive: %1 exists; name it with --output to overwrite it").arg(name);
            return std::nullopt;
        }
        return target;
    };
    c.ButtonSaveFileClick();
    s.close();
    const FileReceiver::SaveResult& saved = c.receiver().lastSave();
    if (!saved.written) {
        if (!refused.isEmpty())
            say(refused);
        return kFailed;
    }
    result(saved.path);
    if (saved.mismatch) {
        say(QStringLiteral("checksum mismatch: the file says %1, its %2 bytes sum to %3")
                .arg(saved.mismatch->checksum)
                .arg(saved.mismatch->length)
                .arg(saved.mismatch->sum));
        return kFailed;
    }
    return kDone;
}

namespace {

// Where a watched variable's value comes from in the status frame.
struct Watched {
    qint32 number = 0;
    int item = 0; // fixed items 1-13, the block from 14, the serial number last (0: its place is known later)
    bool serial = false;
};

QList<Watched> placeVariables(const QList<qint32>& vars, QList<qint32>* block) {
    QList<Watched> out;
    for (const qint32 v : vars) {
        Watched w{v, 0, false};
        if (v >= kAxisGroupFirst[0] && v < kAxisGroupFirst[0] + 9)
            w.item = 1 + (v - kAxisGroupFirst[0]);
        else if (v >= kTypeVariable && v < kTypeVariable + 4)
            w.item = kTypeItems[0] + (v - kTypeVariable);
        else if (v == kSerialNumberVariable)
            w.serial = true;
        else {
            w.item = kFirstBlockItem + static_cast<int>(block->size());
            *block << v;
        }
        out << w;
    }
    return out;
}

// As the console shows it: axes in thousandths, the type words as their four characters, the version
// words as four digits, anything else grouped.
QString displayText(const Watched& w, qint32 value) {
    if (w.item >= 1 && w.item <= 9)
        return axisText(value).trimmed();
    if (w.item == kTypeItems[0] || w.item == kTypeItems[1]) {
        QString text;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const auto c = static_cast<char>((static_cast<quint32>(value) >> shift) & 0xFF);
            text += c >= 0x20 && c < 0x7F ? QLatin1Char(c) : QLatin1Char('.');
        }
        return text;
    }
    if (w.item == kVersionItems[0] || w.item == kVersionItems[1])
        return paddedDigits(value, 4);
    return groupedValueText(value);
}

} // namespace

int runWatch(const QStringList& args) {
    QCommandLineParser p;
    Options common;
    common.addTo(p);
    const QCommandLineOption vars(
        QStringLiteral("vars"),
        QStringLiteral("Variables and ranges, e.g. 12021-12029,10991 (default: the nine "
                       "axes, the type and version words and the serial number)."),
        QStringLiteral("LIST"), QStringLiteral("12021-12029,10993-10996,10991"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("End after N records."),
                                   QStringLiteral("N"));
    const QCommandLineOption timeout(
        QStringLiteral("timeout"),
        QStringLiteral("Fail when the controller sends no status for S seconds (5)."), QStringLiteral("S"),
        QStringLiteral("5"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("text (aligned columns as the console shows them), csv (a header "
                       "with the variable numbers, then raw values) or json (one object "
                       "per line)."),
        QStringLiteral("FORMAT"), QStringLiteral("text"));
    p.addOptions({vars, count, format, timeout});
    if (const auto status =
            parse(p, QStringLiteral("watch"),
                  QStringLiteral("Prints one time-stamped record per accepted status frame of the "
                                 "variables asked for, until --count records or Ctrl-C."),
                  args))
        return *status;
    const auto list = parseVariableList(p.value(vars));
    if (!list)
        return usage(
            QStringLiteral("watch: --vars %1 is not a list such as 12021-12029,10991").arg(p.value(vars)));
    QList<qint32> block;
    const QList<Watched> watched = placeVariables(*list, &block);
    if (block.size() > kMaxBlockCount)
        return usage(
            QStringLiteral("watch: at most %1 variables besides the axes, the type and version words and "
                           "the serial number")
                .arg(kMaxBlockCount));
    const QString fmt = p.value(format);
    if (fmt != QLatin1String("text") && fmt != QLatin1String("csv") && fmt != QLatin1String("json"))
        return usage(QStringLiteral("watch: --format is text, csv or json"));
    bool timeoutOk = false;
    const double timeoutS = p.value(timeout).toDouble(&timeoutOk);
    if (!timeoutOk || timeoutS <= 0)
        return usage(QStringLiteral("watch: --timeout %1 is not a number of seconds").arg(p.value(timeout)));
    const int silenceMs = static_cast<int>(timeoutS * 1000);
    int records = -1;
    if (p.isSet(count)) {
        bool ok = false;
        records = p.value(count).toInt(&ok);
        if (!ok || records < 1)
            return usage(QStringLiteral("watch: --count %1 is not a number of records").arg(p.value(count)));
    }

    Session s(common.read(p));
    if (const int status = link(s); status != kDone)
        return status;
    Console& c = s.console();
    c.watchVariables(block);
    // Records come from frames that answer this subscription.
    const qint32 items = kFirstBlockItem + static_cast<qint32>(block.size());
    s.runUntil(
        [&c, items] { return !c.state().block.PollBlockChanged() && c.state().block.PollItemCount == items; },
        silenceMs);
    if (fmt == QLatin1String("csv")) {
        QStringList header{QStringLiteral("time")};
        for (const Watched& w : watched)
            header << QString::number(w.number);
        result(header.join(QLatin1Char(',')));
    }
    quint64 seen = c.poll().acceptedFrames();
    int printed = 0;
    while (records < 0 || printed < records) {
        if (!s.runUntil([&] { return c.poll().acceptedFrames() != seen; }, silenceMs)) {
            if (s.interrupted())
                break;
            s.close();
            say(QStringLiteral("watch: no status from the controller for %1 s").arg(p.value(timeout)));
            return kFailed;
        }
        seen = c.poll().acceptedFrames();
        const LiveValues& live = c.state().live;
        const QString time = QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
        QStringList fields;
        for (const Watched& w : watched) {
            const qint32 value = live.PollValues[w.serial ? items : w.item];
            if (fmt == QLatin1String("csv"))
                fields << QString::number(value);
            else if (fmt == QLatin1String("json"))
                fields << QStringLiteral("\"%1\":%2").arg(w.number).arg(value);
            else
                fields << QStringLiteral("%1=%2").arg(w.number).arg(displayText(w, value), 9);
        }
        if (fmt == QLatin1String("csv"))
            result(time + QLatin1Char(',') + fields.join(QLatin1Char(',')));
        else if (fmt == QLatin1String("json"))
            result(
                QStringLiteral("{\"time\":\"%1\",\"values\":{%2}}").arg(time, fields.join(QLatin1Char(','))));
        else
            result(time + QStringLiteral("  ") + fields.join(QStringLiteral("  ")));
        ++printed;
    }
    s.close();
    return s.interrupted() ? s.interruptedStatus() : kDone;
}

int runWrite(const QStringList& args) {
    QCommandLineParser p;
    Options common;
    common.addTo(p);
    p.addPositionalArgument(QStringLiteral("NUMBER=VALUE"), QStringLiteral("A variable and its new value."),
                            QStringLiteral("NUMBER=VALUE [NUMBER=VALUE ...]"));
    if (const auto status =
            parse(p, QStringLiteral("write"),
                  QStringLiteral("Writes each value as the value dialog does, then succeeds only "
                                 "when the controller streams every written value back within 2 s."),
                  args))
        return *status;
    static const QRegularExpression pair(QStringLiteral("^(-?[0-9]{1,10})=(-?[0-9]{1,10})$"));
    QList<std::pair<qint32, qint32>> writes;
    for (const QString& a : p.positionalArguments()) {
        const auto m = pair.match(a);
        bool ok1 = false;
        bool ok2 = false;
        const qint32 number = m.captured(1).toInt(&ok1);
        const qint32 value = m.captured(2).toInt(&ok2);
        if (!m.hasMatch() || !ok1 || !ok2)
            return usage(QStringLiteral("write: %1 is not NUMBER=VALUE (32-bit numbers)").arg(a));
        writes << std::pair{number, value};
    }
    if (writes.isEmpty())
        return usage(QStringLiteral("write: give at least one NUMBER=VALUE"));
    if (writes.size() > kMaxBlockCount)
        return usage(QStringLiteral("write: at most %1 values at a time").arg(kMaxBlockCount));

    Session s(common.read(p));
    if (const int status = link(s); status != kDone)
        return status;
    Console& c = s.console();
    // The error number before the writes; a new one after them is theirs.
    if (!s.waitForStatus(kStatusWaitMs)) {
        if (s.interrupted())
            return s.interruptedStatus();
        say(QStringLiteral("write: no status from the controller for %1 s").arg(kStatusWaitMs / 1000));
        return kFailed;
    }
    const int errorBefore = c.state().live.StatusErrorNumber;
    QList<qint32> numbers;
    for (const auto& [number, value] : writes) {
        c.writeValue(number, value);
        numbers << number;
    }
    c.watchVariables(numbers);
    const qint32 items = kFirstBlockItem + static_cast<qint32>(numbers.size());
    const auto differing = [&] {
        QStringList wrong;
        for (int i = 0; i < writes.size(); ++i) {
            const qint32 now = c.state().live.PollValues[kFirstBlockItem + i];
            if (now != writes[i].second)
                wrong << QStringLiteral("%1 (reads %2)").arg(writes[i].first).arg(now);
        }
        return wrong;
    };
    quint64 seen = c.poll().acceptedFrames();
    const bool took = s.runUntil(
        [&] {
            if (c.state().block.PollBlockChanged() || c.state().block.PollItemCount != items ||
                c.poll().acceptedFrames() == seen)
                return false;
            seen = c.poll().acceptedFrames();
            return differing().isEmpty();
        },
        2000);
    s.drain();
    s.close();
    if (s.interrupted())
        return s.interruptedStatus();
    if (const int error = c.state().live.StatusErrorNumber; error != 0 && error != errorBefore) {
        say(controllerErrorReport(error, c.tables().ErrorTexts));
        return kFailed;
    }
    if (!took) {
        say(QStringLiteral("did not take: ") + differing().join(QStringLiteral(", ")));
        return kFailed;
    }
    for (const auto& [number, value] : writes)
        result(QStringLiteral("%1=%2").arg(number).arg(value));
    return kDone;
}

int runMdi(const QStringList& args) {
    QCommandLineParser p;
    Options common;
    common.addTo(p);
    p.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("One block, e.g. \"G01 X10 Y5\"."));
    if (const auto status =
            parse(p, QStringLiteral("mdi"),
                  QStringLiteral("Sends one MDI command exactly as the console's MDI line does: "
                                 "blanks and anything after \";\" removed."),
                  args))
        return *status;
    if (p.positionalArguments().size() != 1)
        return usage(QStringLiteral("mdi: give exactly one COMMAND (quote it)"));
    const QString text = p.positionalArguments().first();
    if (Mdi::commandOf(text).isEmpty())
        return usage(QStringLiteral("mdi: nothing to send in \"%1\"").arg(text));

    Session s(common.read(p));
    if (const int status = link(s); status != kDone)
        return status;
    Console& c = s.console();
    if (!s.waitForStatus(kStatusWaitMs)) {
        if (s.interrupted())
            return s.interruptedStatus();
        say(QStringLiteral("mdi: no status from the controller for %1 s").arg(kStatusWaitMs / 1000));
        return kFailed;
    }
    const int errorBefore = c.state().live.StatusErrorNumber;
    c.EditKeyInEdited(text);
    c.ButtonMDIgoClick();
    s.drain();
    // A status frame already on its way when the command arrived was made before it: the second one
    // after the command crossed says whether the controller took it.
    const bool answered = s.waitForStatus(kStatusWaitMs) && s.waitForStatus(kStatusWaitMs);
    s.close();
    if (s.interrupted())
        return s.interruptedStatus();
    if (!answered) {
        say(QStringLiteral("mdi: no status from the controller after the command"));
        return kFailed;
    }
    if (const int error = c.state().live.StatusErrorNumber; error != 0 && error != errorBefore) {
        say(controllerErrorReport(error, c.tables().ErrorTexts));
        return kFailed;
    }
    result(QString::fromLatin1(Mdi::commandOf(text)));
    return kDone;
}

int runPorts(const QStringList& args) {
    QCommandLineParser p;
    if (const auto status =
            parse(p, QStringLiteral("ports"),
                  QStringLiteral("Lists the serial devices of this machine and the COM name that "
                                 "opens each, as Config/Environment.ini maps them here, then the "
                                 "mapped network ports and the built-in controller."),
                  args))
        return *status;
    QMap<QString, QString> comPorts;
    QFile file(QDir::current().filePath(QStringLiteral("Config/Environment.ini")));
    if (file.open(QIODevice::ReadOnly))
        for (const auto& [key, value] : IniFile::fromText(file.readAll()).entries(QStringLiteral("ComPorts")))
            comPorts.insert(key.toUpper(), value);
    const PortNames names(comPorts);
    const auto comNameOf = [&](const QString& device) {
        for (auto it = comPorts.cbegin(); it != comPorts.cend(); ++it)
            if (it.value() == device)
                return it.key();
        for (int n = 1; n <= 256; ++n)
            if (names.device(QStringLiteral("COM%1").arg(n)) == device)
                return QStringLiteral("COM%1").arg(n);
        return QStringLiteral("-");
    };
    result(QStringLiteral("%1  %2  %3")
               .arg(QStringLiteral("COM"), -6)
               .arg(QStringLiteral("DEVICE"), -20)
               .arg(QStringLiteral("DESCRIPTION, MANUFACTURER, SERIAL NUMBER, VID:PID")));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QStringList about{info.description(), info.manufacturer(), info.serialNumber()};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier())
            about << QStringLiteral("%1:%2")
                         .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                         .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
        about.removeAll(QString());
        result(QStringLiteral("%1  %2  %3")
                   .arg(comNameOf(info.systemLocation()), -6)
                   .arg(info.systemLocation(), -20)
                   .arg(about.join(QStringLiteral(", "))));
    }
    for (auto it = comPorts.cbegin(); it != comPorts.cend(); ++it) {
        const auto address = parseNetworkAddress(it.value());
        if (it.value() == PortNames::kSimulator || address || isNetworkPortName(it.value()))
            result(QStringLiteral("%1  %2  %3")
                       .arg(it.key(), -6)
                       .arg(it.value(), -20)
                       .arg(it.value() == PortNames::kSimulator
                                ? QStringLiteral("the built-in virtual controller")
                            : !address
                                ? QStringLiteral(
                                      "not a network port as written: rfc2217://HOST:PORT or tcp://HOST:PORT")
                            : address->mode == NetworkAddress::Mode::Rfc2217
                                ? QStringLiteral("serial device server, RFC 2217 (settings and modem lines)")
                                : QStringLiteral("serial device server, raw TCP (its own settings)")));
    }
    return kDone;
}

} // namespace velmorix::cli
