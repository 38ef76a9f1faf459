#pragma once

#include <QList>
#include <QtGlobal>

#include <algorithm>
#include <functional>

namespace velmorix::test {

// Moves a hand-driven clock from `nowUs` to `targetUs`, firing every enabled timer that falls due on
// the way in time order (ties in the order the timers were made), each at its exact due time. An
// Entry has onTick, intervalMs, singleShot, enabled, dueUs and order.
template <class Entry> void stepTimers(const QList<Entry*>& entries, qint64& nowUs, qint64 targetUs) {
    for (;;) {
        Entry* next = nullptr;
        for (Entry* e : entries) {
            if (!e->enabled || e->dueUs > targetUs)
                continue;
            if (!next || e->dueUs < next->dueUs || (e->dueUs == next->dueUs && e->order < next->order))
                next = e;
        }
        if (!next)
            break;
        nowUs = std::max(nowUs, next->dueUs);
        // A timer of interval 0 fires once per pass, like a zero timer on an event loop.
        next->dueUs = nowUs + std::max<qint64>(qint64(next->intervalMs) * 1000, 1);
        if (next->singleShot)
            next->enabled = false;
        const std::function<void()> fn = next->onTick; // the handler may destroy its own timer
        fn();
    }
    nowUs = targetUs;
}

} // namespace velmorix::test
