// The run log: one line per recipe run in "runs.log", kept below a size bound by rotation.
#pragma once

#include <QDateTime>
#include <QString>

namespace Ptx {

constexpr const char *RunLogName = "runs.log";
// Past this size the log is renamed to "runs.log.1" (replacing the older one) and begun anew.
constexpr qint64 RunLogMaxBytes = 256 * 1024;
constexpr const char *RunLogOldSuffix = ".1";

enum class RunEnding { Done, Stop, Halt, LinkLost, Restart };

struct RunRecord {
    QDateTime start;
    QDateTime end;
    QString recipe;
    int entriesDone = 0;
    int entries = 0;
    RunEnding ending = RunEnding::Stop;
};

// "2026-12-06 12:00:05\t2026-12-06 12:03:10\tslide.rcp\t12 of 40\tSTOP"
QString runLogLine(const RunRecord &record);
// Appends line to the log at path, rotating it first when the line would take it past
// maxBytes. False when the file cannot be written.
bool appendRunLog(const QString &path, const QString &line, qint64 maxBytes = RunLogMaxBytes);

} // namespace Ptx
