#pragma once

#include <QString>

namespace velmorix {

// The key-in line EditKeyIn as the window's one-line message line: the operator types MDI commands
// into it, and the areas write their notes into it as comment lines beginning with ";". This is the
// one owner of its text. Every writer says who it is, and a note gives way where the operator would
// lose something by it:
//
// - Operator: what the operator typed (and what the recall brings back).
// - Console: a note of what the operator's own action did ("; .. Stop Report .. ;", "; .. Done .. ;"),
//   and the controller's error line; it replaces whatever stands.
// - Verdict: how a transfer ended where the operator has to act on it (the line a broken-off run
//   resumes from, a file the controller refused); it stays until the operator types or acts.
// - Watchdog: the watchdog's break and time-out notes; they give way to a verdict.
// - Progress: "; .. Shaking .. n", once a second; it gives way to a verdict and to typed text.
class MessageLine {
public:
    enum class Writer { Operator, Console, Verdict, Watchdog, Progress };

    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    Writer writer() const { return m_writer; }

    // Shows the text unless what stands may not give way to this writer; returns whether it did.
    bool show(Writer writer, const QString& text) {
        const bool typed = m_writer == Writer::Operator && !m_text.isEmpty();
        if (writer == Writer::Progress && (typed || m_writer == Writer::Verdict))
            return false;
        if (writer == Writer::Watchdog && m_writer == Writer::Verdict)
            return false;
        m_text = text;
        m_writer = writer;
        return true;
    }
    // The writers, by name.
    bool typed(const QString& text) { return show(Writer::Operator, text); }
    bool note(const QString& text) { return show(Writer::Console, text); }
    bool verdict(const QString& text) { return show(Writer::Verdict, text); }
    bool watchdogNote(const QString& text) { return show(Writer::Watchdog, text); }
    bool progress(const QString& text) { return show(Writer::Progress, text); }

    void clear() {
        m_text.clear();
        m_writer = Writer::Console;
    }

private:
    QString m_text;
    Writer m_writer = Writer::Console;
};

} // namespace velmorix
