#pragma once

#include <QChar>
#include <QString>
#include <optional>

namespace velmorix {

// The value entry of TFormNewValue, without its window.

// Whether a typed character reaches the edit box: Enter, Backspace and "-" always; a digit only while
// the text is shorter than nine characters; anything else (Esc included) is dropped.
bool newValueKeyAccepted(QChar key, const QString& text);

// The value of the text when Enter is pressed: 0 for an empty text, nothing for a text that is not a
// 32-bit integer (then "'text' is not a valid integer value" is shown and the dialog stays open).
std::optional<qint32> parseNewValue(const QString& text);
QString notAnIntegerMessage(const QString& text);

} // namespace velmorix
