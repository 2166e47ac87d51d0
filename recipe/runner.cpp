// The recipe runner: the run's state machine, stepped once per work tick, and the
// operator's controls over it.
#include "controller/kelinterface.h"

#include "config/numbertext.h"
#include "controller/diagnostics.h"
#include "recipe/recipefile.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"

using namespace Ptx;

namespace {

constexpr unsigned int RunnerModules[] = {DevX, DevY, DevZ, DevWheel1, DevWheel2};

} // namespace

// Modules whose busy bit holds the runner: only those that answered the start-up scan.
unsigned int KelInterface::recipeModuleMask()
{
    unsigned int mask = 0;
    for (unsigned int module : RunnerModules) {
        if (getModPresent(module))
            mask |= 1u << module;
    }
    return mask;
}

void KelInterface::recipePrompt(const QString &text)
{
    emit addDispLine(text);
    recipeInDelay = true;
    recipePaused = true;
    emit updateRecipeSts();
}

// Alignment moves go in stage coordinates, at whatever speed the stage was last given.
void KelInterface::recipeAlignMove(double x, double y)
{
    curscanx = x;
    curscany = y;
    emit addDispLine(QStringLiteral("MOVE X=%1 Y=%2 @SP=%3")
                         .arg(numberText(curscanx), numberText(curscany), numberText(curspeedxy)));
    moveXYTo(curscanx, curscany, &recipeIndex);
    mbusy |= BusyStage;
}

void KelInterface::endRecipeRun()
{
    diag(QStringLiteral("RECIPE DONE!!"));
    emit addDispLine(QStringLiteral("RECIPE DONE!"));
    xincr = defxincr;
    yincr = defyincr;
    zincr = defzincr;
    recipePaused = false;
    if (!contMacro)
        finishRunLog(RunEnding::Done);
    recipeInDelay = false;
    if (contMacro) {
        recipeRunning = true;
        recipeState = RCP_START;
    } else {
        recipeRunning = false;
        recipeState = RCP_IDLE;
    }
    emit updateRecipeSts();
}

// One tick of the runner: a step, and the steps that follow it without waiting for anything.
void KelInterface::runRecipe()
{
    const unsigned int mask = recipeModuleMask();
    noteRunTick();
    for (int step = 0; step < MaxRecipeStepsPerTick; ++step) {
        const int from = recipeState;
        stepRecipe(mask);
        if (!recipeStepChains(from, recipeState))
            break;
    }
}

void KelInterface::stepRecipe(unsigned int mask)
{
    const bool idle = (mbusy & mask) == 0;

    if (recipeState != prevrcpstate) {
        prevrcpstate = recipeState;
        diag(QStringLiteral("RCP STATE:%1").arg(recipeState));
    }

    // The entry states read the run list; an index that names no compiled entry ends them.
    if (recipeState >= RCP_LOAD_ENTRY && recipeState <= RCP_ENTRY_IDLE && !currentRecipeEntry())
        recipeState = RCP_NEXT_ENTRY;

    switch (recipeState) {
    case RCP_IDLE:
        firstmove = true;
        break;
    case RCP_START:
        // A run started while the system check still moves the stage and focus (START is on
        // from "SYTEM OK!") waits for the check to finish before queueing anything.
        if (interfaceState == INT_SYSCHECK)
            break;
        firstmove = true;
        recipeState = RCP_LOADZ;
        break;

    // Load points: focus first, then the stage.
    case RCP_LOADZ:
        if (loadptEnZ) {
            moveZTo(loadptZ, &recipeIndex);
            mbusy |= BusyFocus;
            recipeState = RCP_LOADZ_TAKEN;
        } else {
            recipeState = RCP_LOADXY;
        }
        break;
    case RCP_LOADZ_TAKEN:
        if (cmdDone(recipeIndex)) {
            mbusy |= BusyFocus;
            recipeState = RCP_LOADZ_IDLE;
        }
        break;
    case RCP_LOADZ_IDLE:
        if (idle) {
            recipeInDelay = true;
            emit updateRecipeSts();
            recipeState = RCP_LOADXY;
        }
        break;
    case RCP_LOADXY:
        if (loadptEnXY) {
            moveStageTo(loadptX, loadptY, &recipeIndex);
            mbusy |= BusyStage;
            recipeState = RCP_LOADXY_TAKEN;
        } else {
            recipeState = RCP_AT_LOAD;
        }
        break;
    case RCP_LOADXY_TAKEN:
        if (cmdDone(recipeIndex)) {
            mbusy |= BusyStage;
            recipeState = RCP_LOADXY_IDLE;
        }
        break;
    case RCP_LOADXY_IDLE:
        if (idle) {
            recipeInDelay = true;
            emit updateRecipeSts();
            recipeState = RCP_AT_LOAD;
        }
        break;
    case RCP_AT_LOAD:
        if (firstmove) {
            recipePrompt(QLatin1String(LoadSamplePrompt));
            firstmove = false;
            recipeState = RCP_WAIT_LOAD;
            break;
        }
        recipeState = RCP_END;
        [[fallthrough]];
    case RCP_END:
        endRecipeRun();
        break;
    case RCP_WAIT_LOAD:
        break;
    case RCP_LOADED:
        firstmove = false;
        emit updateRecipeSts();
        recipeState = RCP_CHOOSE;
        break;
    case RCP_CHOOSE:
        recipeState = teachAlign ? RCP_ALN1_MOVE : RCP_RUN;
        break;

    // Alignment: visit each stored point, let the operator jog onto the mark, store it.
    case RCP_ALN1_MOVE:
        setAbs();
        recipeAlignMove(AlnPoint1x, AlnPoint1y);
        recipeState = RCP_ALN1_TAKEN;
        [[fallthrough]];
    case RCP_ALN1_TAKEN:
        if (cmdDone(recipeIndex)) {
            mbusy |= BusyStage;
            recipeState = RCP_ALN1_IDLE;
        }
        break;
    case RCP_ALN1_IDLE:
        if (idle) {
            recipePrompt(QLatin1String(FirstAlignPrompt));
            recipeState = RCP_ALN1_WAIT;
        }
        break;
    case RCP_ALN1_WAIT:
        break;
    case RCP_ALN2_MOVE:
        setAbs();
        AlnPoint1x = fxpos;
        AlnPoint1y = fypos;
        recipeAlignMove(AlnPoint2x, AlnPoint2y);
        recipeState = RCP_ALN2_TAKEN;
        [[fallthrough]];
    case RCP_ALN2_TAKEN:
        if (cmdDone(recipeIndex)) {
            mbusy |= BusyStage;
            recipeState = RCP_ALN2_IDLE;
        }
        break;
    case RCP_ALN2_IDLE:
        if (idle) {
            recipePrompt(QLatin1String(SecondAlignPrompt));
            recipeState = RCP_ALN2_WAIT;
        }
        break;
    case RCP_ALN2_WAIT:
        break;
    case RCP_ALN2_STORE:
        setAbs();
        AlnPoint2x = fxpos;
        AlnPoint2y = fypos;
        alignTaught = true;
        recipeState = RCP_RUN;
        break;

    // The entries.
    case RCP_RUN:
        setAbs();
        if (teachAlign)
            setSkew();
        curPoint = firstEntry;
        planRun();
        recipeState = numPointsDefined > 0 ? (restoreList.isEmpty() ? RCP_LOAD_ENTRY : RCP_RESTORE_LOAD) : RCP_LOADXY;
        break;
    case RCP_RESTORE_LOAD:
    case RCP_RESTORE_ISSUE:
    case RCP_RESTORE_TAKEN:
    case RCP_RESTORE_IDLE:
        restoreRecipeState(idle);
        break;
    case RCP_SPEEDS_TAKEN:
        if (cmdDone(recipeIndex))
            recipeState = RCP_ISSUE_ENTRY;
        break;
    case RCP_LOAD_ENTRY:
        recipeState = RCP_ISSUE_ENTRY;
        // Speeds already in force send nothing: the entry is issued in the same tick.
        if (loadRecipeEntry())
            break;
        [[fallthrough]];
    case RCP_ISSUE_ENTRY:
        setAbs();
        if (teachAlign)
            setSkew();
        issueRecipeEntry();
        break;
    case RCP_ENTRY_TAKEN:
        if (cmdDone(recipeIndex)) {
            markRecipeEntryBusy();
            // The controller carries out a shutter entry by itself once it has it: sent
            // again, an exposure would be taken twice.
            if (entryKind(*currentRecipeEntry()) == EntryKind::Shutters)
                noteEntryCompleted(curPoint);
            recipeState = RCP_ENTRY_IDLE;
        }
        break;
    case RCP_ENTRY_IDLE:
        settleRecipeEntry(mask);
        break;
    case RCP_DWELL:
        dwellRecipeEntry();
        break;
    case RCP_NEXT_ENTRY:
        entryStartMs = runWorkMs;
        ++runRecord.entriesDone;
        noteEntryCompleted(curPoint);
        ++curPoint;
        if (curPoint < numPointsDefined) {
            recipeState = RCP_LOAD_ENTRY;
        } else if (contMacro) {
            curPoint = 0;
            recipeState = RCP_LOAD_ENTRY;
        } else {
            firstmove = false;
            recipeState = RCP_LOADZ;
        }
        break;
    default:
        // Not a state of the table; only reachable by setting the number from outside.
        break;
    }
}

// A run that START replaces is logged before the new one begins.
void KelInterface::initRecipe()
{
    if (recipeRunning)
        finishRunLog(RunEnding::Restart);
    runSpeeds.forgetAll();
    recipeState = RCP_IDLE;
    recipeIndex = 0;
    recipePaused = false;
    recipeRunning = false;
}

void KelInterface::startRecipe()
{
    recoverRunCheckpoint(QString::fromLatin1(RunLogName));
    runRecord = RunRecord{QDateTime::currentDateTime(), QDateTime(), rcpFileName, 0, numPointsDefined,
                          RunEnding::Stop, 1, 0, recipeChecksum(recipe)};
    firstEntry = 0;
    restoreList.clear();
    noteEntryCompleted(-1);
    runEnding = RunEnding::Stop;
    alignTaught = false;
    planRun();
    recipeState = RCP_START;
    recipeRunning = true;
    recipePaused = false;
    recipeInDelay = false;
    emit updateRecipeSts();
}

// Holds the dwell countdown; moves and commands already under way go on.
void KelInterface::recipePause()
{
    recipePaused = true;
    recipeInDelay = false;
    emit updateRecipeSts();
}

// RESUME moves on by one state where the run waits for the operator: past a prompt, out of
// a dwell, past a pause entry. Anywhere else (between loading an entry and moving it, or
// during an exposure, which ends by itself) it only clears the flags, so that no step of
// an entry is skipped and the run goes on when the entry is done.
void KelInterface::recipeContinue()
{
    recipePaused = false;
    recipeInDelay = false;
    if (recipeWaitsForOperator() && recipeStateHasStep(recipeState + 1))
        ++recipeState;
    emit updateRecipeSts();
}

RunWait KelInterface::recipeWaitsOn() const
{
    switch (recipeState) {
    case RCP_LOADZ_TAKEN:
    case RCP_LOADZ_IDLE:
    case RCP_LOADXY_TAKEN:
    case RCP_LOADXY_IDLE:
    case RCP_ALN1_TAKEN:
    case RCP_ALN1_IDLE:
    case RCP_ALN2_TAKEN:
    case RCP_ALN2_IDLE:
    case RCP_RESTORE_TAKEN:
    case RCP_RESTORE_IDLE:
        return RunWait::Motion;
    case RCP_ENTRY_TAKEN:
    case RCP_ENTRY_IDLE:
        break;
    default:
        return RunWait::Nothing;
    }
    const recipePointStruct *entry = currentRecipeEntry();
    if (entry && !entry->filtmove)
        return RunWait::Motion;
    if (entry && entryKind(*entry) == EntryKind::Wheels)
        return RunWait::Motion;
    if (wexp1)
        return RunWait::Shutter1;
    if (wexp2)
        return RunWait::Shutter2;
    return wexp3 ? RunWait::Shutter3 : RunWait::Nothing;
}

bool KelInterface::recipeWaitsForOperator() const
{
    switch (recipeState) {
    case RCP_WAIT_LOAD:
    case RCP_ALN1_WAIT:
    case RCP_ALN2_WAIT:
    case RCP_DWELL:
        return true;
    case RCP_ISSUE_ENTRY: {
        const recipePointStruct *entry = currentRecipeEntry();
        return entry && entryKind(*entry) == EntryKind::Pause;
    }
    default:
        return false;
    }
}

QString KelInterface::operatorPrompt() const
{
    switch (recipeState) {
    case RCP_WAIT_LOAD:
        return QLatin1String(LoadSamplePrompt);
    case RCP_ALN1_WAIT:
        return QLatin1String(FirstAlignPrompt);
    case RCP_ALN2_WAIT:
        return QLatin1String(SecondAlignPrompt);
    case RCP_ISSUE_ENTRY:
        return recipeWaitsForOperator() ? QLatin1String(PauseEntryPrompt) : QString();
    default:
        return QString();
    }
}

void KelInterface::nextRecipePoint()
{
    if (recipeState != RCP_DWELL)
        return;
    recipeInDelay = false;
    emit updateRecipeSts();
    recipeState = RCP_NEXT_ENTRY;
}

void KelInterface::prevRecipePoint()
{
    if (recipeState != RCP_DWELL)
        return;
    if (curPoint > 0)
        --curPoint;
    recipeInDelay = false;
    emit updateRecipeSts();
    recipeState = RCP_LOAD_ENTRY;
}

// Commands already queued are left to the controller; HALT is there to stop the axes.
void KelInterface::stopRecipe()
{
    runSpeeds.forgetAll();
    if (recipeRunning)
        finishRunLog(runEnding);
    recipeState = RCP_IDLE;
    recipeRunning = false;
    recipePaused = false;
    recipeInDelay = false;
    xincr = defxincr;
    yincr = defyincr;
    zincr = defzincr;
    emit updateRecipeSts();
}

void KelInterface::setContMacro(bool on)
{
    contMacro = on;
}

bool KelInterface::isRecipeRunning()
{
    return recipeRunning;
}

bool KelInterface::isRecipePaused()
{
    return recipePaused;
}

bool KelInterface::isRecipeDelay()
{
    return recipeInDelay;
}
