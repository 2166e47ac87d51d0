// Progress of a run: the runner's working time per entry, the time-left estimate, and the
// run log line written when the run ends.
#include "recipe/runprogress.h"

#include "controller/diagnostics.h"
#include "controller/kelinterface.h"
#include "recipe/runestimate.h"
#include "recipe/runnerstates.h"

#include <algorithm>
#include <cmath>

namespace Ptx {

namespace {
constexpr qint64 SecondsPerMinute = 60;
constexpr qint64 SecondsPerHour = 3600;
constexpr double MsPerSecond = 1000.0;
constexpr int LongestShownHours = 99;
constexpr double LongestShownMs = LongestShownHours * SecondsPerHour * MsPerSecond;
// A tick later than this after the one before was held up (a stall), not working.
constexpr double MaxTickGapMs = 1000.0;
} // namespace

QString durationText(double ms)
{
    // Beyond this the figure says nothing an operator can use, and an endless time (a move
    // at a crawl) has no figure at all.
    if (!(ms <= LongestShownMs))
        return QStringLiteral("> %1 h").arg(LongestShownHours);
    const qint64 s = qint64(std::ceil(std::max(0.0, ms) / MsPerSecond));
    if (s < SecondsPerMinute)
        return QStringLiteral("%1 s").arg(s);
    const QString mmss = QStringLiteral("%1:%2")
                             .arg((s % SecondsPerHour) / SecondsPerMinute)
                             .arg(s % SecondsPerMinute, 2, 10, QLatin1Char('0'));
    if (s < SecondsPerHour)
        return mmss;
    return QStringLiteral("%1:%2:%3")
        .arg(s / SecondsPerHour)
        .arg((s % SecondsPerHour) / SecondsPerMinute, 2, 10, QLatin1Char('0'))
        .arg(s % SecondsPerMinute, 2, 10, QLatin1Char('0'));
}

QString entriesText(int count)
{
    return count == 1 ? QStringLiteral("1 ENTRY") : QStringLiteral("%1 ENTRIES").arg(count);
}

QString progressText(const RunProgress &p)
{
    if (!p.running)
        return QString();
    QStringList parts;
    if (p.entry > 0)
        parts << QStringLiteral("ENTRY %1 OF %2").arg(p.entry).arg(p.entries);
    else if (p.firstEntry > 1)
        parts << QStringLiteral("ENTRIES %1 TO %2").arg(p.firstEntry).arg(p.entries);
    else
        parts << entriesText(p.entries);
    if (p.pattern > 0)
        parts << QStringLiteral("PATTERN %1 OF %2").arg(p.pattern).arg(p.patterns);
    if (p.macro > 0)
        parts << QStringLiteral("MACRO %1 OF %2").arg(p.macro).arg(p.macros);
    parts << (p.continuous ? QStringLiteral("CONTINUOUS")
                           : QStringLiteral("%1 LEFT").arg(durationText(p.leftMs)));
    return parts.join(QStringLiteral("  "));
}

} // namespace Ptx

using namespace Ptx;

// The model runs from where the stage and wheels stand now, through the alignment in force.
RunEstimate KelInterface::estimateRun() const
{
    RunSetup setup;
    setup.stepsPerMMxy = settings.stepsPerMMxy;
    setup.micronsPerStepZ = settings.micronsPerStepZ;
    setup.speedXY = settings.speedXY;
    setup.speedZ = settings.speedZ;
    setup.stageX = status.xpos / settings.stepsPerMMxy;
    setup.stageY = status.ypos / settings.stepsPerMMxy;
    setup.stageZ = status.zpos * settings.micronsPerStepZ;
    if (status.fw1CurPos > 0)
        setup.wheel1 = int(status.fw1CurPos);
    if (status.fw2CurPos > 0)
        setup.wheel2 = int(status.fw2CurPos);
    if (compiler.teachAlign)
        setup.align.emplace(runAlignment());
    if (settings.loadptEnXY) {
        setup.loadX = settings.loadptX;
        setup.loadY = settings.loadptY;
    }
    if (settings.loadptEnZ)
        setup.loadZ = settings.loadptZ;
    RunTimings timings;
    if (startup.fw1NumPos > 0)
        timings.wheelPositions = int(startup.fw1NumPos);
    const QVector<recipePointStruct> entries(compiler.pointList, compiler.pointList + compiler.numPointsDefined);
    return RunEstimate(entryTimesMs(entries, setup, timings), returnTimeMs(entries, setup, timings));
}

void KelInterface::planRun()
{
    runner.runEstimate = estimateRun();
    runner.runEstimate.startAt(runner.firstEntry);
    runner.runWorkMs = 0.0;
    runner.entryStartMs = 0.0;
    runner.runClock.start();
    runner.lastRunTickMs = 0;
}

// Adds up the time the runner works on entries; waits for the operator do not count. A tick
// counts as the time since the one before, since a busy panel's ticks come late, but as no
// less than one tick (ticks stepped without a clock) and no more than a stall's worth.
void KelInterface::noteRunTick()
{
    const qint64 nowMs = runner.runClock.isValid() ? runner.runClock.elapsed() : 0;
    const double gapMs = std::clamp(double(nowMs - runner.lastRunTickMs), double(RecipeTickMs), MaxTickGapMs);
    runner.lastRunTickMs = nowMs;
    if (!runner.recipeRunning || runner.recipePaused || runner.recipeState < RCP_LOAD_ENTRY || runner.recipeState > RCP_NEXT_ENTRY)
        return;
    if (runner.recipeState == RCP_DWELL && runner.recipeDelay <= 0)
        return;
    runner.runWorkMs += gapMs;
}

void KelInterface::finishRunLog(RunEnding ending)
{
    runner.runRecord.end = QDateTime::currentDateTime();
    runner.runRecord.ending = ending;
    if (!appendRunLog(QString::fromLatin1(RunLogName), runLogLine(runner.runRecord)))
        diag(QStringLiteral("%1 NOT WRITTEN").arg(QLatin1String(RunLogName)));
    clearRunCheckpoint(QString::fromLatin1(RunLogName));
}

RunRecord KelInterface::lastRunRecord() const
{
    return runner.runRecord;
}

RunProgress KelInterface::runProgress() const
{
    RunProgress p;
    p.running = runner.recipeRunning;
    p.entries = compiler.numPointsDefined;
    p.patterns = compiler.patternPlacements;
    p.macros = compiler.macroInsertions;
    p.continuous = runner.contMacro;
    p.firstEntry = runner.firstEntry + 1;
    const bool inEntries = runner.recipeState >= RCP_LOAD_ENTRY && runner.recipeState <= RCP_NEXT_ENTRY;
    if (inEntries && runner.curPoint >= 0 && runner.curPoint < compiler.numPointsDefined) {
        p.entry = runner.curPoint + 1;
        p.pattern = compiler.pointOrigin[runner.curPoint].pattern;
        p.macro = compiler.pointOrigin[runner.curPoint].macro;
        p.leftMs = runner.runEstimate.leftMs(runner.curPoint, runner.entryStartMs, runner.runWorkMs - runner.entryStartMs);
        p.modelLeftMs = runner.runEstimate.modelLeftMs(runner.curPoint);
    } else {
        p.leftMs = p.modelLeftMs = runner.runEstimate.modelLeftMs(runner.firstEntry);
    }
    return p;
}
