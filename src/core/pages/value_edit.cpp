#include "core/pages/value_edit.h"

#include "core/base/state.h"
#include "core/link/link.h"

namespace velmorix {

void editBlockValue(Prompts& prompts, Link& link, const LiveValues& live, int entry, const QString& label,
                    ValueField anchor, qint32 variable) {
    if (link.refusedDuringRun(QStringLiteral("Write")))
        return;
    NewValueRequest request;
    request.text = QString::number(live.blockValue(entry));
    request.label = label;
    request.anchor = anchor;
    if (const auto value = prompts.askNewValue(request))
        link.SendValueWrite(variable, *value);
}

} // namespace velmorix
