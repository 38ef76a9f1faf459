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
    void show(const QString& text) { m_text = text; }
    void clear() { m_text.clear(); }

private:
    QString m_text;
};

} // namespace velmorix
