#pragma once

#include <QStringList>

namespace velmorix::cli {

// Each command takes its arguments after the command name and returns the exit status; results go to
// standard output, messages to standard error, one line each.
int runSend(const QStringList& args);
int runReceive(const QStringList& args);
int runWatch(const QStringList& args);
int runWrite(const QStringList& args);
int runMdi(const QStringList& args);
int runReset(const QStringList& args);
int runPorts(const QStringList& args);
int runPack(const QStringList& args);
int runHistory(const QStringList& args);

} // namespace velmorix::cli
