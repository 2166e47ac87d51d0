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
    firstEntry = std::clamp(entry, 1, std::max(1, numPointsDefined)) - 1;
    restoreList = restoreEntries(QVector<recipePointStruct>(pointList, pointList + numPointsDefined), firstEntry,
                                 speedXY, speedZ);
    restoreIndex = 0;
    runRecord.firstEntry = firstEntry + 1;
    runRecord.entriesDone = firstEntry;
    noteEntryCompleted(firstEntry - 1);
    runEstimate.startAt(firstEntry);
    emit updateRecipeSts();
}

int KelInterface::proposedStartEntry()
{
    return Ptx::proposedStartEntry(readRunLog(QString::fromLatin1(RunLogName)), rcpFileName,
                                   recipeChecksum(recipe));
}

// The log's checkpoint follows every completed entry, so that a run cut by a crash or a
// power cut is known to have got that far.
void KelInterface::noteEntryCompleted(int index)
{
    RunRecord now = runRecord;
    runRecord.lastCompleted = now.lastCompleted = index + 1;
    now.end = QDateTime::currentDateTime();
    now.ending = RunEnding::NotEnded;
    if (!writeRunCheckpoint(QString::fromLatin1(RunLogName), runLogLine(now)))
        diag(QStringLiteral("%1%2 NOT WRITTEN").arg(QLatin1String(RunLogName), QLatin1String(RunLogCurrentSuffix)));
}

// Each restoring step runs as an entry does, without a dwell: its speeds, its command, the
// wait until the controller has it and the axes are idle. Then the first entry is loaded.
void KelInterface::restoreRecipeState(bool idle)
{
    switch (recipeState) {
    case RCP_RESTORE_LOAD:
        if (restoreIndex >= restoreList.size()) {
            recipeState = RCP_LOAD_ENTRY;
            break;
        }
        if (restoreIndex == 0)
            emit addDispLine(QStringLiteral("RESTORING STATE FOR ENTRY %1").arg(firstEntry + 1));
        loadEntrySpeeds(restoreList.at(restoreIndex), restoreList.at(restoreIndex).speedxy,
                        restoreList.at(restoreIndex).speedz);
        recipeState = RCP_RESTORE_ISSUE;
        break;
    case RCP_RESTORE_ISSUE:
        if (cmdDone(recipeIndex)) {
            setAbs();
            if (teachAlign)
                setSkew();
            const recipePointStruct &step = restoreList.at(restoreIndex++);
            restoreBusy = expectedBusy(step);
            sendRecipeEntry(step);
            recipeState = RCP_RESTORE_TAKEN;
        }
        break;
    case RCP_RESTORE_TAKEN:
        if (cmdDone(recipeIndex)) {
            mbusy |= restoreBusy;
            recipeState = RCP_RESTORE_IDLE;
        }
        break;
    case RCP_RESTORE_IDLE:
        if (idle)
            recipeState = RCP_RESTORE_LOAD;
        break;
    default:
        break;
    }
}
