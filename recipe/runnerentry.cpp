// The recipe runner's work on one run-list entry: its speeds, its command, the wait for
// the axes and shutters, and its dwell.
#include "controller/kelinterface.h"

#include "config/numbertext.h"
#include "controller/diagnostics.h"
#include "motion/stepconvert.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"

using namespace Ptx;

namespace {

constexpr int Wheel1 = 1;
constexpr int Wheel2 = 2;

} // namespace

const recipePointStruct *KelInterface::currentRecipeEntry() const
{
    if (curPoint < 0 || curPoint >= numPointsDefined || curPoint >= PointListSize)
        return nullptr;
    return &pointList[curPoint];
}

// Sets the speed of devices firstDev to lastDev and reads it back from lastDev, so that
// the entry's move waits until the controller has taken the speeds; unless the runner set
// that very speed on every one of them last and nothing can have changed it since. A speed
// that cannot be sent leaves the axes at the speed they were last given. False when nothing
// was queued.
bool KelInterface::queueRecipeSpeed(uint firstDev, uint lastDev, double stepsPerSecond)
{
    qint32 steps = 0;
    if (!toSteps(stepsPerSecond, &steps)) {
        diag(QStringLiteral("RECIPE SPEED NOT SENT: %1").arg(numberText(stepsPerSecond)));
        recipeIndex = NotQueued;
        return false;
    }
    bool inForce = true;
    for (uint dev = firstDev; dev <= lastDev; ++dev)
        inForce = inForce && runSpeeds.holds(dev, steps);
    if (inForce)
        return false;
    bool queued = true;
    for (uint dev = firstDev; dev <= lastDev; ++dev)
        queued = addCommand(dev, CmdWrite, IdxSpeed, steps, false) >= 0 && queued;
    recipeIndex = addCommand(lastDev, CmdRead, IdxSpeed, 0, true);
    // Queueing a speed forgets what was known of it; only speeds surely queued are noted.
    for (uint dev = firstDev; dev <= lastDev && queued && recipeIndex >= 0; ++dev)
        runSpeeds.note(dev, steps);
    return true;
}

bool KelInterface::loadRecipeEntry()
{
    const recipePointStruct &entry = *currentRecipeEntry();
    // The first entry runs at the configured speeds, whatever the recipe set before it.
    return loadEntrySpeeds(entry, curPoint == 0 ? speedXY : entry.speedxy, curPoint == 0 ? speedZ : entry.speedz);
}

// Takes the entry's target and speeds and queues the speed of the axes it moves, unless it is
// in force already; false when nothing was queued.
bool KelInterface::loadEntrySpeeds(const recipePointStruct &entry, double speedxy, double speedz)
{
    curscanx = entry.x;
    curscany = entry.y;
    curscanz = entry.z;
    curspeedxy = speedxy;
    curspeedz = speedz;

    switch (entryKind(entry)) {
    case EntryKind::Focus:
        return queueRecipeSpeed(DevZ, DevZ, curspeedz);
    case EntryKind::StageXY:
        return queueRecipeSpeed(DevX, DevY, stepsPerMMxy * curspeedxy);
    case EntryKind::Wheels:
    case EntryKind::Pause:
    case EntryKind::Shutters:
        break;
    }
    return false;
}

// Why a motion entry would leave the travel, in the coordinate mode just set; empty when it
// stays inside (or is no motion entry).
QString KelInterface::entryTravelRefusal(const recipePointStruct &entry) const
{
    double stageX = 0.0;
    double stageY = 0.0;
    switch (entryKind(entry)) {
    case EntryKind::Focus:
        return travelLimits.refusalZ(curscanz);
    case EntryKind::StageXY:
        // Without a direction the move itself refuses and says so.
        if (stageTargetXY(curscanx, curscany, &stageX, &stageY))
            return travelLimits.refusalXY(stageX, stageY);
        return QString();
    case EntryKind::Wheels:
    case EntryKind::Pause:
    case EntryKind::Shutters:
        break;
    }
    return QString();
}

// An entry outside the travel is not sent. The run waits there as at a dwell without end,
// so that the operator can skip the entry with NEXT or end the run with STOP.
void KelInterface::holdOutsideTravel(const QString &why)
{
    emit addDispLine(QStringLiteral("ENTRY %1 NOT RUN: %2").arg(curPoint + 1).arg(why));
    emit addDispLine(QStringLiteral("NEXT SKIPS IT, STOP ENDS THE RUN"));
    recipeDelay = 0;
    delaycnt = 0;
    recipeInDelay = true;
    emit updateRecipeSts();
    recipeState = RCP_DWELL;
}

void KelInterface::issueRecipeEntry()
{
    const recipePointStruct &entry = *currentRecipeEntry();
    const QString outside = entryTravelRefusal(entry);
    if (!outside.isEmpty()) {
        holdOutsideTravel(outside);
        return;
    }
    if (entryKind(entry) != EntryKind::Pause) {
        sendRecipeEntry(entry);
        recipeState = RCP_ENTRY_TAKEN;
        return;
    }
    // A pause shorter than two ticks holds here until the operator moves the run on.
    if (entry.fdelay > RecipeTickMs) {
        recipeDelay = dwellTicks(entry.fdelay);
        delaycnt = recipeDelay;
        recipeInDelay = true;
        emit updateRecipeSts();
        recipeState = RCP_DWELL;
    }
}

// The command of a move, wheel or shutter entry, its line on the display and the busy bits
// it is expected to set.
void KelInterface::sendRecipeEntry(const recipePointStruct &entry)
{
    switch (entryKind(entry)) {
    case EntryKind::Wheels:
        if (entry.f1move && entry.f2move) {
            emit addDispLine(QStringLiteral("MOVE FW1=%1 FW2=%2").arg(entry.f1pos).arg(entry.f2pos));
            moveFWboth(entry.f1pos, entry.f2pos, &recipeIndex);
        } else if (entry.f1move) {
            emit addDispLine(QStringLiteral("MOVE FW1=%1").arg(entry.f1pos));
            moveFW(Wheel1, entry.f1pos, &recipeIndex);
        } else {
            emit addDispLine(QStringLiteral("MOVE FW2=%1").arg(entry.f2pos));
            moveFW(Wheel2, entry.f2pos, &recipeIndex);
        }
        mbusy = BusyWheels;
        break;
    case EntryKind::Pause:
        break;
    case EntryKind::Shutters:
        issueShutterEntry(entry.shopt);
        mbusy = 0;
        break;
    case EntryKind::Focus:
        emit addDispLine(QStringLiteral("MOVE Z=%1 @SP=%2")
                             .arg(numberText(curscanz), numberText(curspeedz)));
        moveZTo(curscanz, &recipeIndex);
        mbusy |= BusyFocus;
        break;
    case EntryKind::StageXY:
        emit addDispLine(QStringLiteral("MOVE X=%1 Y=%2 @SP=%3")
                             .arg(numberText(curscanx), numberText(curscany), numberText(curspeedxy)));
        moveXYTo(curscanx, curscany, &recipeIndex);
        mbusy |= BusyStage;
        break;
    }
}

// Either sets the three shutters by their codes or sends one shutter's exposure time.
// An exposure is taken as running until polling reports the shutter in another state.
void KelInterface::issueShutterEntry(quint32 shopt)
{
    bool *const exposing[ShutterCount] = {&wexp1, &wexp2, &wexp3};
    long *const state[ShutterCount] = {&fwShut1Pos, &fwShut2Pos, &fwShut3Pos};
    for (bool *flag : exposing)
        *flag = false;

    const ShutterWord word = decodeShutterWord(shopt);
    if (word.exposureShutter != 0) {
        emit addDispLine(QStringLiteral("SET EXP TIME SH%1=%2")
                             .arg(word.exposureShutter).arg(word.exposureTime));
        ctrlShutter(word.exposureShutter, word.exposureTime, &recipeIndex);
        return;
    }
    emit addDispLine(QStringLiteral("MOVE SH1=%1 SH2=%2 SH3=%3")
                         .arg(word.code[0]).arg(word.code[1]).arg(word.code[2]));
    for (int n = 0; n < ShutterCount; ++n) {
        if (word.code[n] != ShutterKeep)
            ctrlShutter(n + 1, word.code[n], &recipeIndex);
    }
    for (int n = 0; n < ShutterCount; ++n) {
        if (word.code[n] == ShutterExpose) {
            *exposing[n] = true;
            *state[n] = ShutterExpose;
        }
    }
}

// The controller has taken the command: mark the expected busy bits again, since a poll
// may have brought in an idle mask from before the command arrived.
void KelInterface::markRecipeEntryBusy()
{
    switch (entryKind(*currentRecipeEntry())) {
    case EntryKind::StageXY:
        mbusy |= BusyStage;
        break;
    case EntryKind::Focus:
        mbusy |= BusyFocus;
        break;
    case EntryKind::Wheels:
        mbusy = BusyWheels;
        break;
    case EntryKind::Pause:
    case EntryKind::Shutters:
        mbusy = 0;
        if (wexp1)
            fwShut1Pos = ShutterExpose;
        if (wexp2)
            fwShut2Pos = ShutterExpose;
        if (wexp3)
            fwShut3Pos = ShutterExpose;
        break;
    }
}

// Waits for idle axes and finished exposures; then a filter entry goes straight on and a
// motion entry starts its dwell. A filter entry paused while it ran holds the run before
// the next entry, as a paused move holds at its dwell.
void KelInterface::settleRecipeEntry(unsigned int mask)
{
    const recipePointStruct &entry = *currentRecipeEntry();
    if ((mbusy & mask) == 0 && !wexp1 && !wexp2 && !wexp3) {
        if (entry.filtmove && recipePaused) {
            recipeDelay = 0;
            delaycnt = 0;
            recipeInDelay = true;
            emit updateRecipeSts();
            recipeState = RCP_DWELL;
        } else if (entry.filtmove) {
            recipePaused = false;
            recipeInDelay = false;
            emit updateRecipeSts();
            recipeState = RCP_NEXT_ENTRY;
        } else {
            recipeDelay = dwellTicks(entry.delay);
            delaycnt = recipeDelay;
            recipeInDelay = true;
            emit updateRecipeSts();
            recipeState = RCP_DWELL;
        }
    }
    // Without the shutter module no shutter state is polled, so nothing would end the wait.
    const bool shuttersPolled = (mask & (1u << DevWheel1)) != 0;
    if (wexp1 && (fwShut1Pos != ShutterExpose || !shuttersPolled))
        wexp1 = false;
    if (wexp2 && (fwShut2Pos != ShutterExpose || !shuttersPolled))
        wexp2 = false;
    if (wexp3 && (fwShut3Pos != ShutterExpose || !shuttersPolled))
        wexp3 = false;
}

// Counts the dwell down, except while paused; a dwell of no ticks lasts until the operator
// moves the run on with NEXT, PREV or RESUME.
void KelInterface::dwellRecipeEntry()
{
    if (!recipePaused && delaycnt > 0)
        --delaycnt;
    if (recipeDelay > 0 && delaycnt == 0) {
        recipePaused = false;
        recipeInDelay = false;
        emit updateRecipeSts();
        recipeState = RCP_NEXT_ENTRY;
    }
}
