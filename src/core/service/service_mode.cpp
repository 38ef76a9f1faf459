#include "core/service/service_mode.h"

#include "core/base/hold.h"
#include "core/base/prompts.h"
#include "core/files/file_page.h"
#include "core/files/transfer.h"
#include "core/link/link.h"
#include "platform/clock.h"

namespace velmorix {

ServiceMode::ServiceMode(ConsoleState& state, Prompts& prompts, Link& link, Hold& hold,
                         const Transfer& transfer, FilePage& files, Clock& clock, Hooks hooks)
    : m_state(state), m_prompts(prompts), m_link(link), m_hold(hold), m_transfer(transfer), m_files(files),
      m_clock(clock), m_hooks(std::move(hooks)) {}

void ServiceMode::StatusBar1MouseDown(int x, const std::array<int, 4>& widths, int barWidth) {
    StatusBarPress press;
    press.commPage = m_state.view.page == NotebookPage::Comm;
    press.x = x;
    press.widths = widths;
    press.barWidth = barWidth;
    press.transferIdle = !m_transfer.active();
    press.lineReady = m_state.line.CtsReady && m_state.line.LinkUp;
    switch (hitTest(press)) {
    case ServiceFunction::Login:
        serviceLogin();
        break;
    case ServiceFunction::ComStart:
        comStart();
        break;
    case ServiceFunction::TskId:
        tskAccess();
        break;
    case ServiceFunction::ClickCounter:
        clickCounter();
        break;
    case ServiceFunction::Clock:
        controllerClock();
        break;
    case ServiceFunction::None:
        break;
    }
}

void ServiceMode::serviceLogin() {
    const auto login = m_prompts.askLogin();
    if (!login)
        return;
    if (!loginAccepted(login->user, login->password)) {
        m_prompts.showMessage(QStringLiteral("Code Error\uFF01"));
        return;
    }
    if (const auto ranges = m_prompts.askRanges(m_state.env.ranges))
        m_state.env.ranges = *ranges;
    // Accepted or not, the next link reloads the name tables.
    m_state.RangesChanged = true;
}

void ServiceMode::comStart() {
    if (const auto n = m_prompts.askComStart(m_state.env.ComStartNum))
        m_state.env.ComStartNum = *n;
    // The Comm page's items follow ComStartNum, the selected index stays; so does the panel's text,
    // but its hint names the device the port now opens.
    m_state.view.statusPanel1Hint = m_link.chosenDeviceHint();
}

void ServiceMode::tskAccess() {
    m_state.PlcUploadUnlockedBefore = m_state.PlcUploadUnlocked;
    const IdAnswer answer = m_prompts.askId(QStringLiteral("TSK ID"), QStringLiteral("TSK ID:"));
    if (answer.confirmed && answer.text.toUpper() == m_state.AccessCode)
        m_state.PlcUploadUnlocked = true;
    if (m_state.PlcUploadUnlocked != m_state.PlcUploadUnlockedBefore)
        m_files.addServiceReceiveTypes();
}

void ServiceMode::clickCounter() {
    // Twenty clicks count up to 20; the 21st and every later one show the button.
    if (m_state.env.ClearAllTimes < kClearShownFrom)
        ++m_state.env.ClearAllTimes;
    else if (m_state.env.ClearAllTimes == kClearShownFrom)
        m_state.view.ButtonClearShown = true;
}

void ServiceMode::controllerClock() {
    ReportBlock& block = m_state.block;
    const qint32 savedStart = block.PollBlockStart;
    const qint32 savedCount = block.PollBlockCount;
    if (block.PollBlockStart != kClockFirst)
        block.update(kClockFirst, kClockFields);
    ClockDialog dialog;
    dialog.fields = [this] {
        QStringList texts;
        for (int i = 0; i < kClockFields; ++i)
            texts << m_state.live.PollValueTexts[i];
        return texts;
    };
    dialog.setRtc = m_hooks.setRtcClicked;
    m_prompts.showClock(dialog);
    block.update(savedStart, savedCount);
    block.resubscribe();
}

void ServiceMode::SetRtc() {
    if (!m_state.line.CtsReady || !m_state.line.LinkUp || m_link.refusedDuringRun(QStringLiteral("Clock")))
        return;
    for (const auto& [number, value] : clockWrites(m_clock.localDateTime()))
        m_link.SendValueWrite(number, value);
    m_hold.pause(kClockSetMs, [this] { m_link.SendValueWrite(kClockMode, 1); });
}

} // namespace velmorix
