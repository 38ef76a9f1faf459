#pragma once

#include <QKeyEvent>
#include <QString>

namespace velmorix {

// The characters a key press types, as the service dialogs' key rules see them: Enter is "\r" and
// Backspace "\b". Empty for a key that types nothing or that moves the focus or the cursor (arrows,
// Tab, Delete, Esc): such a key takes its usual way past the rules.
inline QString typedKeys(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return {};
    default:
        return key.text();
    }
}

} // namespace velmorix
