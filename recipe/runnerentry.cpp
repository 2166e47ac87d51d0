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
    if (runner.curPoint < 0 || runner.curPoint >= compiler.numPointsDefined || runner.curPoint >= PointListSize)
        return nullptr;
    return &compiler.pointList[runner.curPoint];
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
        runner.recipeIndex = NotQueued;
        return false;
    }
    bool inForce = true;
    for (uint dev = firstDev; dev <= lastDev; ++dev)
        inForce = inForce && runner.runSpeeds.holds(dev, steps);
    if (inForce)
        return false;
    bool queued = true;
    for (uint dev = firstDev; dev <= lastDev; ++dev)
        queued = addCommand(dev, CmdWrite, IdxSpeed, steps, false) >= 0 && queued;
    runner.recipeIndex = addCommand(lastDev, CmdRead, IdxSpeed, 0, true);
    // Queueing a speed forgets what was known of it; only speeds surely queued are noted.
    for (uint dev = firstDev; dev <= lastDev && queued && runner.recipeIndex >= 0; ++dev)
        runner.runSpeeds.note(dev, steps);
    return true;
}

bool KelInterface::loadRecipeEntry()
{
    const recipePointStruct &entry = *currentRecipeEntry();
    // The first entry runs at the configured speeds, whatever the recipe set before it.
    return loadEntrySpeeds(entry, runner.curPoint == 0 ? settings.speedXY : entry.speedxy, runner.curPoint == 0 ? settings.speedZ : entry.speedz);
}

// Takes the entry's target and speeds and queues the speed of the axes it moves, unless it is
// in force already; false when nothing was queued.
bool KelInterface::loadEntrySpeeds(const recipePointStruct &entry, double speedxy, double speedz)
{
    runner.curscanx = entry.x;
    runner.curscany = entry.y;
    runner.curscanz = entry.z;
    runner.curspeedxy = speedxy;
    runner.curspeedz = speedz;

    switch (entryKind(entry)) {
    case EntryKind::Focus:
        return queueRecipeSpeed(DevZ, DevZ, runner.curspeedz);
    case EntryKind::StageXY:
        return queueRecipeSpeed(DevX, DevY, settings.stepsPerMMxy * runner.curspeedxy);
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
        return settings.travelLimits.refusalZ(runner.curscanz);
    case EntryKind::StageXY:
        // Without a direction the move itself refuses and says so.
        if (stageTargetXY(runner.curscanx, runner.curscany, &stageX, &stageY))
            return settings.travelLimits.refusalXY(stageX, stageY);
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
    emit addDispLine(QStringLiteral("ENTRY %1 NOT RUN: %2").arg(runner.curPoint + 1).arg(why));
    emit addDispLine(QStringLiteral("NEXT SKIPS IT, STOP ENDS THE RUN"));
    runner.recipeDelay = 0;
    runner.delaycnt = 0;
    runner.recipeInDelay = true;
    emit updateRecipeSts();
    runner.recipeState = RCP_DWELL;
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
        runner.recipeState = RCP_ENTRY_TAKEN;
        return;
    }
    // A pause shorter than two ticks holds here until the operator moves the run on.
    if (entry.fdelay > RecipeTickMs) {
        runner.recipeDelay = dwellTicks(entry.fdelay);
        runner.delaycnt = runner.recipeDelay;
        runner.recipeInDelay = true;
        emit updateRecipeSts();
        runner.recipeState = RCP_DWELL;
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
            moveFWboth(entry.f1pos, entry.f2pos, &runner.recipeIndex);
        } else if (entry.f1move) {
            emit addDispLine(QStringLiteral("MOVE FW1=%1").arg(entry.f1pos));
            moveFW(Wheel1, entry.f1pos, &runner.recipeIndex);
        } else {
            emit addDispLine(QStringLiteral("MOVE FW2=%1").arg(entry.f2pos));
            moveFW(Wheel2, entry.f2pos, &runner.recipeIndex);
        }
        status.mbusy = BusyWheels;
        break;
    case EntryKind::Pause:
        break;
    case EntryKind::Shutters:
        issueShutterEntry(entry.shopt);
        status.mbusy = 0;
        break;
    case EntryKind::Focus:
        emit addDispLine(QStringLiteral("MOVE Z=%1 @SP=%2")
                             .arg(numberText(runner.curscanz), numberText(runner.curspeedz)));
        moveZTo(runner.curscanz, &runner.recipeIndex);
        status.mbusy |= BusyFocus;
        break;
    case EntryKind::StageXY:
        emit addDispLine(QStringLiteral("MOVE X=%1 Y=%2 @SP=%3")
                             .arg(numberText(runner.curscanx), numberText(runner.curscany), numberText(runner.curspeedxy)));
        moveXYTo(runner.curscanx, runner.curscany, &runner.recipeIndex);
        status.mbusy |= BusyStage;
        break;
    }
}

// Either sets the three shutters by their codes or sends one shutter's exposure time.
// An exposure is taken as running until polling reports the shutter in another state.
void KelInterface::issueShutterEntry(quint32 shopt)
{
    bool *const exposing[ShutterCount] = {&runner.wexp1, &runner.wexp2, &runner.wexp3};
    long *const state[ShutterCount] = {&status.fwShut1Pos, &status.fwShut2Pos, &status.fwShut3Pos};
    for (bool *flag : exposing)
        *flag = false;

    const ShutterWord word = decodeShutterWord(shopt);
    if (word.exposureShutter != 0) {
        emit addDispLine(QStringLiteral("SET EXP TIME SH%1=%2")
                             .arg(word.exposureShutter).arg(word.exposureTime));
        ctrlShutter(word.exposureShutter, word.exposureTime, &runner.recipeIndex);
        return;
    }
    emit addDispLine(QStringLiteral("MOVE SH1=%1 SH2=%2 SH3=%3")
                         .arg(word.code[0]).arg(word.code[1]).arg(word.code[2]));
    for (int n = 0; n < ShutterCount; ++n) {
        if (word.code[n] != ShutterKeep)
            ctrlShutter(n + 1, word.code[n], &runner.recipeIndex);
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
        status.mbusy |= BusyStage;
        break;
    case EntryKind::Focus:
        status.mbusy |= BusyFocus;
        break;
    case EntryKind::Wheels:
        status.mbusy = BusyWheels;
        break;
    case EntryKind::Pause:
    case EntryKind::Shutters:
        status.mbusy = 0;
        if (runner.wexp1)
            status.fwShut1Pos = ShutterExpose;
        if (runner.wexp2)
            status.fwShut2Pos = ShutterExpose;
        if (runner.wexp3)
            status.fwShut3Pos = ShutterExpose;
        break;
    }
}

// Waits for idle axes and finished exposures; then a filter entry goes straight on and a
// motion entry starts its dwell. A filter entry paused while it ran holds the run before
// the next entry, as a paused move holds at its dwell.
void KelInterface::settleRecipeEntry(unsigned int mask)
{
    const recipePointStruct &entry = *currentRecipeEntry();
    if ((status.mbusy & mask) == 0 && !runner.wexp1 && !runner.wexp2 && !runner.wexp3) {
        if (entry.filtmove && runner.recipePaused) {
            runner.recipeDelay = 0;
            runner.delaycnt = 0;
            runner.recipeInDelay = true;
            emit updateRecipeSts();
            runner.recipeState = RCP_DWELL;
        } else if (entry.filtmove) {
            runner.recipePaused = false;
            runner.recipeInDelay = false;
            emit updateRecipeSts();
            runner.recipeState = RCP_NEXT_ENTRY;
        } else {
            runner.recipeDelay = dwellTicks(entry.delay);
            runner.delaycnt = runner.recipeDelay;
            runner.recipeInDelay = true;
            emit updateRecipeSts();
            runner.recipeState = RCP_DWELL;
        }
    }
    // Without the shutter module no shutter state is polled, so nothing would end the wait.
    const bool shuttersPolled = (mask & (1u << DevWheel1)) != 0;
    if (runner.wexp1 && (status.fwShut1Pos != ShutterExpose || !shuttersPolled))
        runner.wexp1 = false;
    if (runner.wexp2 && (status.fwShut2Pos != ShutterExpose || !shuttersPolled))
        runner.wexp2 = false;
    if (runner.wexp3 && (status.fwShut3Pos != ShutterExpose || !shuttersPolled))
        runner.wexp3 = false;
}

// Counts the dwell down, except while paused; a dwell of no ticks lasts until the operator
// moves the run on with NEXT, PREV or RESUME.
void KelInterface::dwellRecipeEntry()
{
    if (!runner.recipePaused && runner.delaycnt > 0)
        --runner.delaycnt;
    if (runner.recipeDelay > 0 && runner.delaycnt == 0) {
        runner.recipePaused = false;
        runner.recipeInDelay = false;
        emit updateRecipeSts();
        runner.recipeState = RCP_NEXT_ENTRY;
    }
}
