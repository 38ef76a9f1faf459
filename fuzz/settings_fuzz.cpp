// The settings reader: the input is Config/Environment.ini. What it reads must survive being written
// back into the same file and read again, with every other line kept.
#include "core/base/settings.h"

#include "fuzz_input.h"

#include <QDir>

using namespace velmorix;

namespace {
bool same(const EnvironmentSettings& a, const EnvironmentSettings& b) {
    return a.ranges == b.ranges && a.ComStartNum == b.ComStartNum && a.ComportText == b.ComportText &&
           a.ClearAllTimes == b.ClearAllTimes && a.comPorts == b.comPorts;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString dir = fuzz::scratchDir().path();
    QDir(dir).mkpath(QStringLiteral("Config"));
    const SettingsFile file(dir);
    fuzz::writeScratch(file.path(), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    QString problem;
    const EnvironmentSettings first = file.read(&problem);
    if (!file.write(first).isEmpty())
        abort();
    QString again;
    const EnvironmentSettings second = file.read(&again);
    if (!same(first, second))
        abort(); // the file no longer says what it said
    if (!again.isEmpty())
        abort(); // what was written is whole numbers
    return 0;
}
