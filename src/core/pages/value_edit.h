#pragma once

#include "core/base/prompts.h"

namespace velmorix {

class Link;
struct LiveValues;

// The value dialog on entry k of the current block: it opens with the entry's live value, and what
// the operator confirms is written to the variable behind the field. A dialog closed without Enter
// writes nothing: writing back the value it opened with would overwrite whatever the controller
// changed meanwhile.
void editBlockValue(Prompts& prompts, Link& link, const LiveValues& live, int entry, const QString& label,
                    ValueField anchor, qint32 variable);

} // namespace velmorix
