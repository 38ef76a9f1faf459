// The engine's own calls: the steps the window's handlers take, started without its dialogs, each
// transfer followed as a job to the one place that says how it ended.
#include "core/app/console.h"

#include "core/files/file_types.h"
#include "core/files/modal_state.h"

#include <QDir>
#include <QFileInfo>

namespace velmorix {

namespace {
constexpr int kCommandTicks = 50; // poll ticks a command waits for the controller's word
constexpr int kCommandFrames = 2; // status frames after it crossed: one may have been on its way

// A received file against a file on disk, by the rules its type's save goes by.
FileComparison compareReceived(int recvItem, const QByteArray& received, const SavePolicy::Compare& with) {
    const RecvFileType* type = recvFileType(recvItem);
    FileComparison c = type && type->save == SaveMethod::Text ? compareText(received, with.bytes, with.name)
                                                              : compareBytes(received, with.bytes, with.name);
    c.verifies = with.verifies;
    return c;
}
} // namespace

std::shared_ptr<TransferJob> Console::newJob(bool window) {
    auto job = std::make_shared<TransferJob>();
    job->setProgressSource([this] {
        const FilePageView& v = m_filePage.view();
        return std::pair<qint64, qint64>(v.gaugePosition, v.gaugeMax);
    });
    m_jobFromWindow = window;
    return job;
}

std::shared_ptr<TransferJob> Console::failedJob(const QString& why) {
    auto job = std::make_shared<TransferJob>();
    job->finish({TransferEnd::Kind::Failed, why});
    return job;
}

LinkResult Console::linkToCnc() {
    LinkResult result;
    m_repaint.operatorCall([&] {
        m_link.setQuietFailures(true);
        m_shell.LinktoCNCButtonClick();
        m_link.setQuietFailures(false);
        result.failure = m_link.openFailure();
        result.ok = result.failure.isEmpty() && m_link.port() && m_link.port()->isOpen();
    });
    return result;
}

std::shared_ptr<TransferJob> Console::sendFile(const QString& path, int type, const SendOptions& options) {
    if (!sendFileType(type))
        return failedJob(QStringLiteral("there is no send type %1").arg(type));
    if (m_job || m_transfer.active() || m_sender.uploading() || m_filePage.loading() || m_hold.holding())
        return failedJob(QStringLiteral("a transfer is running"));
    auto job = newJob(false);
    QString error;
    m_repaint.operatorCall([&] {
        m_filePage.selectSend(type);
        m_filePage.setFlashChecked(options.flash);
        error = m_filePage.openFile(QFileInfo(path).absoluteFilePath());
    });
    if (!error.isEmpty()) {
        job->finish({TransferEnd::Kind::Failed, error});
        return job;
    }
    m_job = job;
    m_sendAfterLoad = options;
    startLoadedSend(); // a raw file is loaded at once
    return job;
}

void Console::startLoadedSend() {
    if (!m_sendAfterLoad || m_filePage.loading())
        return;
    const SendOptions options = *std::exchange(m_sendAfterLoad, std::nullopt);
    const auto fail = [this](const QString& why) {
        auto job = std::exchange(m_job, nullptr);
        job->finish({TransferEnd::Kind::Failed, why});
    };
    if (!m_filePage.readError().isEmpty())
        return fail(m_filePage.readError());
    if (!m_filePage.fileListed())
        return fail(QStringLiteral("%1 holds nothing to send")
                        .arg(QDir::toNativeSeparators(m_filePage.loadedPath())));
    if (m_filePage.sendItem() == kDncTypeIndex) {
        const QList<QByteArray> preamble =
            options.preamble ? ModalState::before(*m_filePage.dncLines(), options.fromLine).preamble()
                             : QList<QByteArray>();
        m_sender.setDncStart(options.fromLine, preamble);
    }
    bool started = false;
    m_repaint.operatorCall([&] { started = m_sender.start(false); });
    if (!started)
        fail(m_state.line.LinkUp && m_state.line.CtsReady ? QStringLiteral("the send could not start")
                                                          : QStringLiteral("the controller is not ready "
                                                                           "(DSR or CTS off)"));
}

std::shared_ptr<TransferJob> Console::receive(int type, const SavePolicy& save) {
    const RecvFileType* row = recvFileType(type);
    if (!row || (row->serviceOnly && !m_state.PlcUploadUnlocked))
        return failedJob(QStringLiteral("there is no receive type %1 here").arg(type));
    if (m_job || m_transfer.active() || m_sender.uploading() || m_receiver.listing() || m_hold.holding())
        return failedJob(QStringLiteral("a transfer is running"));
    auto job = newJob(false);
    m_job = job;
    m_savePolicy = save;
    bool requested = false;
    m_repaint.operatorCall([&] {
        m_filePage.selectReceive(type);
        requested = m_receiver.request();
    });
    if (!requested) {
        m_job.reset();
        m_savePolicy.reset();
        job->finish({TransferEnd::Kind::Failed, QStringLiteral("the receive could not start")});
    }
    return job;
}

void Console::saveReceived(TransferEnd& end) {
    const SavePolicy policy = *std::exchange(m_savePolicy, std::nullopt);
    if (end.kind != TransferEnd::Kind::Received)
        return;
    end.savedBytes = m_receiver.fileBytes();
    if (policy.compare)
        end.compared = compareReceived(m_filePage.recvItem(), end.savedBytes, *policy.compare);
    QString target = policy.path;
    switch (policy.kind) {
    case SavePolicy::Kind::Keep:
        return;
    case SavePolicy::Kind::ToPath:
        break;
    case SavePolicy::Kind::AnnouncedIn: {
        // Only a name, in the folder asked for, and never over a file that is there.
        const QDir folder(policy.path);
        const QString name = m_receiver.proposedFileName();
        target = folder.absoluteFilePath(name);
        if (QFileInfo(target).absolutePath() != folder.absolutePath()) {
            end = {TransferEnd::Kind::NotSaved,
                   QStringLiteral("the announced name %1 leaves the folder").arg(name)};
            return;
        }
        if (QFileInfo::exists(target)) {
            end = {TransferEnd::Kind::NotSaved, QStringLiteral("%1 exists").arg(name)};
            return;
        }
        break;
    }
    }
    if (const QString error = m_receiver.saveTo(target); !error.isEmpty()) {
        end = {TransferEnd::Kind::NotSaved, error};
        return;
    }
    end.savedPath = m_receiver.lastSave().path;
    if (const auto& mismatch = m_receiver.lastSave().mismatch) {
        end.kind = TransferEnd::Kind::NotWhole;
        end.reason = QStringLiteral("checksum mismatch: the file says %1, its %2 bytes sum to %3")
                         .arg(mismatch->checksum)
                         .arg(mismatch->length)
                         .arg(mismatch->sum);
    }
}

void Console::transferEnded(TransferEnd& end) {
    m_sender.transferEnded(end);
    // A transfer that broke off may have stopped the status stream with its link reset: the live
    // display subscribes afresh, as after one that ended well.
    if (!end.ok())
        m_state.block.resubscribe();
    if (m_savePolicy)
        saveReceived(end);
    recordEnded(end);
    // The window says a garbled body in a message box; a caller of its own hears it in the result.
    if (end.kind == TransferEnd::Kind::NotWhole && m_jobFromWindow)
        m_prompts.showMessage(QStringLiteral("The received file is not whole: %1. Receive it again before "
                                             "saving it.")
                                  .arg(end.reason));
    auto job = std::exchange(m_job, nullptr);
    if (m_transferObserver)
        m_transferObserver(end);
    emit transferFinished(end);
    if (job)
        job->finish(end);
}

std::shared_ptr<CommandJob> Console::mdi(const QString& text) {
    auto job = std::make_shared<CommandJob>();
    if (Mdi::commandOf(text).isEmpty()) {
        job->finish({false, 0, QStringLiteral("nothing to send in \"%1\"").arg(text)});
        return job;
    }
    if (m_transfer.dncOwnsLine()) {
        job->finish({false, 0, QStringLiteral("a DNC run owns the line")});
        return job;
    }
    m_commands.append({job, m_state.live.StatusErrorNumber, false, 0, 0});
    run([=, this] {
        m_message.typed(text);
        m_mdi.ButtonMDIgoClick();
    });
    return job;
}

std::shared_ptr<CommandJob> Console::writeValue(qint32 number, qint32 value) {
    auto job = std::make_shared<CommandJob>();
    if (m_transfer.dncOwnsLine()) {
        m_link.refusedDuringRun(QStringLiteral("Write"));
        job->finish({false, 0, QStringLiteral("a DNC run owns the line")});
        return job;
    }
    m_commands.append({job, m_state.live.StatusErrorNumber, false, 0, 0});
    run([=, this] { m_link.SendValueWrite(number, value); });
    return job;
}

void Console::checkCommands(bool frameAccepted) {
    for (qsizetype i = 0; i < m_commands.size();) {
        PendingCommand& c = m_commands[i];
        // Counted from the moment it has crossed the line: a frame made before it says nothing.
        if (!c.crossed)
            c.crossed = m_link.lineClear();
        else if (frameAccepted)
            ++c.framesAfter;
        if (!frameAccepted)
            ++c.ticks;
        CommandJob::Result result;
        if (c.framesAfter >= kCommandFrames) {
            const int error = m_state.live.StatusErrorNumber;
            result.errorNumber = error != 0 && error != c.errorBefore ? error : 0;
            result.ok = result.errorNumber == 0;
            if (!result.ok)
                result.text = controllerErrorReport(error, m_tables.ErrorTexts);
        } else if (c.ticks > kCommandTicks) {
            result.text = QStringLiteral("no status from the controller after the command");
        } else {
            ++i;
            continue;
        }
        auto job = c.job;
        m_commands.removeAt(i);
        job->finish(result);
    }
}

QList<WatchedValue> Console::watch(const QList<qint32>& variables) {
    QList<qint32> block;
    const QList<WatchedValue> placed = placeWatched(variables, m_state.block.MonitorGroup, &block);
    run([=, this] { m_state.block.watch(block); });
    return placed;
}

void Console::reset() {
    run([this] {
        m_sender.stopUpload();
        m_mdi.ButtonResetClick();
    });
}

void Console::breakOff() {
    m_repaint.operatorCall([this] {
        m_timer1->setEnabled(false);
        m_timer3->setEnabled(false);
        m_sender.stopUpload();
        // A body already flowing ends with the reset signal; a send not yet begun with the abort mark.
        if (m_transfer.Sending())
            m_link.breakBody();
        else if (m_transfer.SendRequested())
            m_link.sendAbortMark();
        else if (m_transfer.RecvRequested())
            m_link.SendLinkReset();
        m_transfer.abort();
        m_transfer.reportFailure(QStringLiteral("interrupted"));
    });
}

} // namespace velmorix
