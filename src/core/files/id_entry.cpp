#include "core/files/id_entry.h"

namespace velmorix {

bool idKeyAccepted(QChar key) {
    const char16_t c = key.unicode();
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'\b' ||
           c == u'\r';
}

QString idEntryText(const QString& text) {
    return text.size() > kIdLength ? text.left(kIdLength) : text;
}

} // namespace velmorix
