// The run log: one line per recipe run in "runs.log", kept below a size bound by rotation.
#pragma once

#include <QDateTime>
#include <QString>

namespace Ptx {

constexpr const char *RunLogName = "runs.log";
// Past this size the log is renamed to "runs.log.1" (replacing the older one) and begun anew.
constexpr qint64 RunLogMaxBytes = 256 * 1024;
constexpr const char *RunLogOldSuffix = ".1";
// The line of the run going on, rewritten as its entries complete, so that a run the panel
// never saw end (a crash, a power cut) is logged at the next start with the entry it reached.
constexpr const char *RunLogCurrentSuffix = ".run";

enum class RunEnding { Done, Stop, Halt, LinkLost, Restart, NotEnded };

struct RunRecord {
    QDateTime start;
    QDateTime end;
    QString recipe;
    int entriesDone = 0;
    int entries = 0;
    RunEnding ending = RunEnding::Stop;
    int firstEntry = 1;         // the entry the run started at, from 1
    int lastCompleted = 0;      // the last entry completed, from 1; 0 for none
    QString checksum;           // of the recipe's file text
};

// The word that ends a run's line: "DONE", "STOP", "HALT", "LINK LOST", "RESTART", "NOT ENDED".
QString runEndingText(RunEnding ending);
// "2026-12-06 12:00:05\t2026-12-06 12:03:10\tslide.rcp\t12 of 40\tSTOP\tfrom 1\t"
// "completed 12\tchecksum 0123456789abcdef"
QString runLogLine(const RunRecord &record);
// The entry (from 1) to start the recipe named recipe, with the given checksum, at: the
// entry after the last one completed when the last run of that recipe in lines (oldest
// first) did not end DONE and its checksum matches; else 1.
int proposedStartEntry(const QStringList &lines, const QString &recipe, const QString &checksum);
// The lines of the log at path, oldest first: the rotated file, the log and the line of a
// run going on or never seen to end.
QStringList readRunLog(const QString &path);
// Rewrites the line of the run going on; false when it cannot be written.
bool writeRunCheckpoint(const QString &path, const QString &line);
// Ends the run going on: its line leaves the checkpoint.
void clearRunCheckpoint(const QString &path);
// Logs the line of a run that was never seen to end and clears it.
void recoverRunCheckpoint(const QString &path);
// Appends line to the log at path, rotating it first when the line would take it past
// maxBytes. False when the file cannot be written.
bool appendRunLog(const QString &path, const QString &line, qint64 maxBytes = RunLogMaxBytes);

} // namespace Ptx
