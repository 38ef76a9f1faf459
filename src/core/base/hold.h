#pragma once

#include "platform/clock.h"

#include <QList>
#include <functional>
#include <memory>

namespace velmorix {

// Pauses that keep the window painting. Where the console must hold still (after the reset signal,
// between steps of a transfer), the timers that would have run during the pause are held and each
// that fell due runs once afterwards, so the bytes on the wire and their order are those of a
// blocking pause.
class Hold {
public:
    explicit Hold(Clock& clock);
    ~Hold();

    // A timer whose handler runs at once unless a pause is under way; otherwise the tick is
    // remembered and runs once when the pause ends, if the timer is still enabled then. The timer
    // may be destroyed at any time; it leaves the hold when it goes.
    std::unique_ptr<Timer> createTimer(int intervalMs, std::function<void()> handler);

    // Pauses for ms, then runs `then`. A pause asked for during another one follows it.
    void pause(int ms, std::function<void()> then);
    bool holding() const { return m_holding; }
    // Pauses waiting behind the current one.
    qsizetype queuedPauses() const { return m_queue.size(); }
    // Called after every continuation, so the window shows what it changed.
    void setResumeHandler(std::function<void()> handler) { m_onResume = std::move(handler); }
    // Called once the last pause has ended and the held timers have run.
    void setReleaseHandler(std::function<void()> handler) { m_onRelease = std::move(handler); }
    // Called when a pause begins while none was under way, so the window can show it is held.
    void setHoldHandler(std::function<void()> handler) { m_onHold = std::move(handler); }

    struct Guarded;

private:
    friend class HeldTimer;
    void startNext();
    void finish();

    Clock& m_clock;
    std::unique_ptr<Timer> m_timer;
    QList<Guarded*> m_guarded;
    QList<std::pair<int, std::function<void()>>> m_queue;
    std::function<void()> m_then;
    std::function<void()> m_onResume;
    std::function<void()> m_onRelease;
    std::function<void()> m_onHold;
    bool m_holding = false;
};

} // namespace velmorix
