#pragma once

#include <QChar>
#include <QString>

namespace velmorix {

// The entry of the ID dialog TFormKLD, without its window: letters and digits only, six at most.

// Whether a typed character reaches the entry: "0".."9", "a".."z", "A".."Z", Backspace and Enter.
bool idKeyAccepted(QChar key);

// The entry after a change: seven characters or more are cut back to the first six.
QString idEntryText(const QString& text);

inline constexpr int kIdLength = 6;

} // namespace velmorix
