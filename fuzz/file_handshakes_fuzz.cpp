// The "@WRITE" and "@READ" detectors and the file receiver, fed as the poll tick feeds a waiting
// transfer: the input picks a receive type (or a send waiting for "@READ"), then arrives in chunks,
// one tick each. A received body is listed slice by slice and saved to a file, as its type saves it.
#include "poll_rig.h"

#include "core/files/file_page.h"
#include "core/files/file_receiver.h"
#include "core/files/file_types.h"
#include "core/files/handshakes.h"
#include "core/link/digits.h"
#include "core/link/watchdog.h"
#include "fuzz_input.h"

#include <QFile>

using namespace velmorix;

namespace {

struct ReceiveRig : fuzz::PollRig {
    ReceiveRig()
        : timer1(clock.createTimer(1, [] {})), timer2(clock.createTimer(100, [] {})),
          timer3(clock.createTimer(1000, [] {})), timerMdi(clock.createTimer(10000, [] {})),
          loadTimer(clock.createTimer(0, [] {})), listTimer(clock.createTimer(0, [] {})),
          files(state, message, prompts, transfer, *loadTimer, {.setOperationEnabled = [](bool) {}}),
          receiver(state, message, prompts, link, transfer, watchdog, files, *listTimer,
                   {*timer1, *timer2, *timer3, *timerMdi}, {.setOperationEnabled = [](bool) {}}) {
        transfer.setHooks({
            .gathered = [this](qsizetype n) { files.showSize(QString::number(n)); },
            .announced = [this](const QByteArray& name) { files.showAnnouncedName(name); },
            .bodyBegins = [this] { watchdog.feed(); },
            .bodyArriving = [this] { receiver.bodyArriving(); },
            .readAcknowledged = [this] { acknowledged = true; },
        });
    }

    std::unique_ptr<Timer> timer1, timer2, timer3, timerMdi, loadTimer, listTimer;
    Watchdog watchdog;
    FilePage files;
    FileReceiver receiver;
    bool acknowledged = false;
};

// What the detectors promise of any text, however it was cut.
void checkDetectors(const QByteArray& text) {
    if (const auto w = detectWriteAnnouncement(text)) {
        if (w->body && (w->body->isEmpty() || w->body->at(0) != ctl::DC2))
            abort(); // a body begins with its DC2
    }
    detectReadAcknowledgement(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    ReceiveRig rig;
    const uint8_t mode = in.byte();

    if (mode & 1) {
        // A send waits for "@READ": only the go-ahead is looked for.
        if (!rig.transfer.requestSend(mode >> 1 & 15))
            abort();
        QByteArray all;
        while (!in.empty() && !rig.acknowledged) {
            const QByteArray chunk = in.chunk();
            all += chunk;
            rig.tick(chunk);
        }
        if (!rig.acknowledged && detectReadAcknowledgement(all))
            abort(); // the go-ahead does not depend on how the text was cut
        checkDetectors(all);
        return 0;
    }

    const int item = (mode >> 1) % (FileReceiver::kPlcItem + 1);
    if (item == FileReceiver::kPlcItem)
        rig.files.addServiceReceiveTypes();
    rig.files.ComboBoxRecvFileChange(item);
    rig.receiver.ButtonRecvInClick();
    if (!rig.transfer.RecvRequested())
        abort();

    QByteArray all;
    while (!in.empty()) {
        const QByteArray chunk = in.chunk();
        all += chunk;
        rig.tick(chunk);
        // The list timer runs between ticks.
        for (int i = 0; i < 2 && rig.receiver.listing(); ++i)
            rig.receiver.listStep();
    }
    checkDetectors(all);
    while (rig.receiver.listing())
        rig.receiver.listStep();

    const QString path = fuzz::scratchPath(QStringLiteral("received"));
    QFile::remove(path);
    rig.prompts.saveAnswers.push_back(path);
    rig.receiver.ButtonSaveFileClick();
    if (rig.receiver.lastSave().written != QFile::exists(path))
        abort(); // a save says what it did
    return 0;
}
