#pragma once

#include <QString>

namespace velmorix {

// The key-in line EditKeyIn as the window's one-line message line: the areas write their progress
// and failure notes into it as comment lines beginning with ";", the decoder its error line, and the
// operator types MDI commands into it. This is the one owner of its text.
class MessageLine {
public:
    const QString& text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    void show(const QString& text) {
        m_text = text;
        m_held = false;
    }
    void clear() {
        m_text.clear();
        m_held = false;
    }
    // How a transfer ended, where the operator needs it (the line a broken-off run resumes from): the
    // watchdog's later notes do not replace it; the operator's keys and the next transfer do.
    void showHeld(const QString& text) {
        m_text = text;
        m_held = true;
    }
    // A note that gives way to a held one.
    void showUnlessHeld(const QString& text) {
        if (!m_held)
            m_text = text;
    }
    bool held() const { return m_held; }

private:
    QString m_text;
    bool m_held = false;
};

} // namespace velmorix
