#include "core/files/handshakes.h"

#include "core/link/digits.h"

namespace velmorix {

namespace {

// Scans the text for DC4 + marker. For each position where the working text starts with the marker,
// `onMatch` gets the working text from there and returns whether to stop.
template <typename F> void scanFor(const QByteArray& rxText, const QByteArray& marker, F onMatch) {
    QByteArray work = rxText;
    while (work.size() > marker.size()) {
        const qsizetype dc4 = work.indexOf(ctl::DC4);
        if (dc4 < 0)
            return;
        work.remove(0, dc4);
        if (work.size() <= marker.size() && !work.startsWith(marker))
            return;
        if (work.startsWith(marker) && onMatch(work))
            return;
        work.remove(0, 1);
    }
}

} // namespace

std::optional<WriteAnnouncement> detectWriteAnnouncement(const QByteArray& rxText) {
    const QByteArray marker = QByteArray(1, ctl::DC4) + "@WRITE";
    std::optional<WriteAnnouncement> found;
    scanFor(rxText, marker, [&](const QByteArray& work) {
        if (!found)
            found.emplace();
        const qsizetype open = work.indexOf('(');
        const qsizetype close = work.indexOf(')');
        found->name = open >= 0 && close > open ? work.mid(open + 1, close - open - 1) : QByteArray();
        if (close >= 0) {
            // The body opens with the first DC2 after the ")"; a status frame that came before the
            // announcement is never part of it.
            const qsizetype body = work.indexOf(ctl::DC2, close);
            if (body >= 0)
                found->body = work.mid(body);
        }
        return false; // a later announcement in the same text is looked at again
    });
    return found;
}

bool detectReadAcknowledgement(const QByteArray& rxText) {
    const QByteArray marker = QByteArray(1, ctl::DC4) + "@READ";
    bool found = false;
    scanFor(rxText, marker, [&](const QByteArray& work) {
        found = work.indexOf(')') >= 0;
        return found;
    });
    return found;
}

} // namespace velmorix
