#include "core/base/settings.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>

namespace velmorix {

namespace {

const QString kModifyVar = QStringLiteral("ModifyVar");
const QString kComStart = QStringLiteral("ComStart");
const QString kDnc = QStringLiteral("Dnc");
const char* const kControllerBuffer = "ControllerBufferBytes";

struct RangeKey {
    const char* key;
    qint32 Settings::*field;
};

constexpr RangeKey kRangeKeys[] = {
    {"User_start", &Settings::User_start},       {"User_size", &Settings::User_size},
    {"Sys_start", &Settings::Sys_start},         {"Sys_size", &Settings::Sys_size},
    {"CncInfo_start", &Settings::CncInfo_start}, {"CncInfo_size", &Settings::CncInfo_size},
    {"McmData_start", &Settings::McmData_start}, {"McmData_size", &Settings::McmData_size},
};

// A key that holds something other than a whole number takes its default and is named in `bad`.
qint32 readInt(const IniFile& ini, const QString& section, const char* key, qint32 fallback,
               QStringList& bad) {
    const auto text = ini.value(section, QString::fromLatin1(key));
    if (!text)
        return fallback;
    const auto value = parseInt32(*text);
    if (!value)
        bad << QString::fromLatin1(key);
    return value.value_or(fallback);
}

} // namespace

SettingsFile::SettingsFile(QString workingDir) : m_dir(std::move(workingDir)) {}

QString SettingsFile::path() const {
    return QDir(m_dir).filePath(QStringLiteral("Config/Environment.ini"));
}

EnvironmentSettings SettingsFile::read(QString* problem) const {
    EnvironmentSettings s;
    QFile file(path());
    if (!file.exists()) {
        // An empty file is left for the operator to fill; without a Config directory this fails and
        // every value keeps its default.
        if (QDir(m_dir).exists(QStringLiteral("Config")) && file.open(QIODevice::WriteOnly))
            file.close();
        return s;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (problem)
            *problem = QStringLiteral("Cannot read %1: %2")
                           .arg(QDir::toNativeSeparators(path()), file.errorString());
        return s;
    }
    const IniFile ini = IniFile::fromText(file.readAll());
    QStringList bad;
    for (const RangeKey& k : kRangeKeys)
        s.ranges.*k.field = readInt(ini, kModifyVar, k.key, Settings{}.*k.field, bad);
    s.ComStartNum = readInt(ini, kComStart, "com_start_num", 1, bad);
    s.ComportText = ini.value(kComStart, QStringLiteral("comport")).value_or(QStringLiteral("111111"));
    s.ClearAllTimes = readInt(ini, kComStart, "clear_all_times", 0, bad);
    s.ControllerBufferBytes = std::max(0, readInt(ini, kDnc, kControllerBuffer, 4096, bad));
    if (!bad.isEmpty() && problem)
        *problem = QStringLiteral("%1: not a whole number, the default is used: %2")
                       .arg(QStringLiteral("Config/Environment.ini"), bad.join(QStringLiteral(", ")));
    s.comPorts = comPortEntries(ini);
    return s;
}

QMap<QString, QString> comPortEntries(const IniFile& ini) {
    QMap<QString, QString> entries;
    for (const auto& [key, value] : ini.entries(QStringLiteral("ComPorts")))
        entries.insert(key.toUpper(), value);
    return entries;
}

qint32 controllerBufferBytes(const IniFile& ini) {
    QStringList bad;
    return std::max(0, readInt(ini, kDnc, kControllerBuffer, 4096, bad));
}

QString SettingsFile::write(const EnvironmentSettings& s) const {
    const QDir dir(m_dir);
    if (!dir.exists(QStringLiteral("Config")) && !dir.mkdir(QStringLiteral("Config")))
        return QStringLiteral("Cannot create the directory %1")
            .arg(QDir::toNativeSeparators(dir.filePath("Config")));

    IniFile ini;
    QFile existing(path());
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return QStringLiteral("Cannot read %1: %2")
                .arg(QDir::toNativeSeparators(path()), existing.errorString());
        ini = IniFile::fromText(existing.readAll());
        existing.close();
    }
    for (const RangeKey& k : kRangeKeys)
        ini.setValue(kModifyVar, QString::fromLatin1(k.key), QString::number(s.ranges.*k.field));
    ini.setValue(kComStart, QStringLiteral("com_start_num"), QString::number(s.ComStartNum));
    ini.setValue(kComStart, QStringLiteral("comport"), s.ComportText);
    ini.setValue(kComStart, QStringLiteral("clear_all_times"), QString::number(s.ClearAllTimes));

    // Written whole to a temporary file and renamed, so an interrupted write never leaves half a file.
    QSaveFile out(path());
    out.setDirectWriteFallback(true);
    if (!out.open(QIODevice::WriteOnly) || out.write(ini.toText()) < 0 || !out.commit())
        return QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(path()), out.errorString());
    return {};
}

} // namespace velmorix
