// Starting a run at a later entry: the entry to offer, the restoring steps that bring the
// controller to the state that entry expects, and the record of the entries completed.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"
#include "recipe/recipefile.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"
#include "recipe/runrestore.h"

#include <algorithm>

using namespace Ptx;

namespace {

unsigned int expectedBusy(const recipePointStruct &entry)
{
    switch (entryKind(entry)) {
    case EntryKind::StageXY:
        return BusyStage;
    case EntryKind::Focus:
        return BusyFocus;
    case EntryKind::Wheels:
        return BusyWheels;
    case EntryKind::Pause:
    case EntryKind::Shutters:
        break;
    }
    return 0;
}

} // namespace

void KelInterface::startRecipeAt(int entry)
{
    startRecipe();
    runner.firstEntry = std::clamp(entry, 1, std::max(1, compiler.numPointsDefined)) - 1;
    runner.restoreList = restoreEntries(QVector<recipePointStruct>(compiler.pointList, compiler.pointList + compiler.numPointsDefined), runner.firstEntry,
                                 settings.speedXY, settings.speedZ);
    runner.restoreIndex = 0;
    runner.runRecord.firstEntry = runner.firstEntry + 1;
    runner.runRecord.entriesDone = runner.firstEntry;
    noteEntryCompleted(runner.firstEntry - 1);
    runner.runEstimate.startAt(runner.firstEntry);
    emit updateRecipeSts();
}

int KelInterface::proposedStartEntry()
{
    return Ptx::proposedStartEntry(readRunLog(QString::fromLatin1(RunLogName)), compiler.rcpFileName,
                                   recipeChecksum(compiler.recipe));
}

// The log's checkpoint follows every completed entry, so that a run cut by a crash or a
// power cut is known to have got that far.
void KelInterface::noteEntryCompleted(int index)
{
    RunRecord now = runner.runRecord;
    runner.runRecord.lastCompleted = now.lastCompleted = index + 1;
    now.end = QDateTime::currentDateTime();
    now.ending = RunEnding::NotEnded;
    if (!writeRunCheckpoint(QString::fromLatin1(RunLogName), runLogLine(now)))
        diag(QStringLiteral("%1%2 NOT WRITTEN").arg(QLatin1String(RunLogName), QLatin1String(RunLogCurrentSuffix)));
}

// Each restoring step runs as an entry does, without a dwell: its speeds, its command, the
// wait until the controller has it and the axes are idle. Then the first entry is loaded.
void KelInterface::restoreRecipeState(bool idle)
{
    switch (runner.recipeState) {
    case RCP_RESTORE_LOAD:
        if (runner.restoreIndex >= runner.restoreList.size()) {
            runner.recipeState = RCP_LOAD_ENTRY;
            break;
        }
        if (runner.restoreIndex == 0)
            emit addDispLine(QStringLiteral("RESTORING STATE FOR ENTRY %1").arg(runner.firstEntry + 1));
        loadEntrySpeeds(runner.restoreList.at(runner.restoreIndex), runner.restoreList.at(runner.restoreIndex).speedxy,
                        runner.restoreList.at(runner.restoreIndex).speedz);
        runner.recipeState = RCP_RESTORE_ISSUE;
        break;
    case RCP_RESTORE_ISSUE:
        if (ring.cmdDone(runner.recipeIndex)) {
            setAbs();
            if (compiler.teachAlign)
                setSkew();
            const recipePointStruct &step = runner.restoreList.at(runner.restoreIndex++);
            runner.restoreBusy = expectedBusy(step);
            sendRecipeEntry(step);
            runner.recipeState = RCP_RESTORE_TAKEN;
        }
        break;
    case RCP_RESTORE_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            status.mbusy |= runner.restoreBusy;
            runner.recipeState = RCP_RESTORE_IDLE;
        }
        break;
    case RCP_RESTORE_IDLE:
        if (idle)
            runner.recipeState = RCP_RESTORE_LOAD;
        break;
    default:
        break;
    }
}
