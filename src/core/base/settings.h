#pragma once

#include "core/base/ini_file.h"

#include <QMap>
#include <QString>

namespace velmorix {

// The page ranges of the variable pages; each field is named by its key in section ModifyVar.
struct Settings {
    qint32 User_start = 0;
    qint32 User_size = 10000;
    qint32 Sys_start = 10000;
    qint32 Sys_size = 4000;
    qint32 CncInfo_start = 10000;
    qint32 CncInfo_size = 1000;
    qint32 McmData_start = 11000;
    qint32 McmData_size = 1000;

    bool operator==(const Settings&) const = default;
};

// Everything read from and written back to Config/Environment.ini.
struct EnvironmentSettings {
    Settings ranges;
    qint32 ComStartNum = 1;
    QString ComportText = QStringLiteral("111111");
    qint32 ClearAllTimes = 0;
    // [Dnc] ControllerBufferBytes: what the controller's receive buffer holds of a program fed line by
    // line, which bounds the lines it may not have run when a run breaks off.
    qint32 ControllerBufferBytes = 4096;
    // [ComPorts]: "COM3" -> "/dev/ttyUSB0" (upper-cased port names).
    QMap<QString, QString> comPorts;
};

// [ComPorts] of a settings file: "COM3" -> "/dev/ttyUSB0" (upper-cased port names).
QMap<QString, QString> comPortEntries(const IniFile& ini);
// [Dnc] ControllerBufferBytes of a settings file; 4096 when it is missing or not a whole number.
qint32 controllerBufferBytes(const IniFile& ini);

// The settings file of a working directory: <dir>/Config/Environment.ini.
class SettingsFile {
public:
    explicit SettingsFile(QString workingDir);

    QString path() const;

    // Creates an empty file when it is missing (but never the Config directory); missing keys and
    // values that are not integers take their defaults. A file that cannot be read, or keys whose
    // values are not whole numbers, are described in `problem` (empty when all is well).
    EnvironmentSettings read(QString* problem = nullptr) const;

    // Creates Config and the file when missing and writes the eleven keys, keeping every other
    // section and key. Returns an empty text on success, otherwise what went wrong.
    QString write(const EnvironmentSettings& settings) const;

private:
    QString m_dir;
};

} // namespace velmorix
