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
    runner.recipeInDelay = true;
    runner.recipePaused = true;
    emit updateRecipeSts();
}

// Alignment moves go in stage coordinates, at whatever speed the stage was last given.
void KelInterface::recipeAlignMove(double x, double y)
{
    runner.curscanx = x;
    runner.curscany = y;
    emit addDispLine(QStringLiteral("MOVE X=%1 Y=%2 @SP=%3")
                         .arg(numberText(runner.curscanx), numberText(runner.curscany), numberText(runner.curspeedxy)));
    moveXYTo(runner.curscanx, runner.curscany, &runner.recipeIndex);
    status.mbusy |= BusyStage;
}

void KelInterface::endRecipeRun()
{
    diag(QStringLiteral("RECIPE DONE!!"));
    emit addDispLine(QStringLiteral("RECIPE DONE!"));
    frame.xincr = settings.defxincr;
    frame.yincr = settings.defyincr;
    frame.zincr = settings.defzincr;
    runner.recipePaused = false;
    if (!runner.contMacro)
        finishRunLog(RunEnding::Done);
    runner.recipeInDelay = false;
    if (runner.contMacro) {
        runner.recipeRunning = true;
        runner.recipeState = RCP_START;
    } else {
        runner.recipeRunning = false;
        runner.recipeState = RCP_IDLE;
    }
    emit updateRecipeSts();
}

// One tick of the runner: a step, and the steps that follow it without waiting for anything.
void KelInterface::runRecipe()
{
    const unsigned int mask = recipeModuleMask();
    noteRunTick();
    for (int step = 0; step < MaxRecipeStepsPerTick; ++step) {
        const int from = runner.recipeState;
        stepRecipe(mask);
        if (!recipeStepChains(from, runner.recipeState))
            break;
    }
}

void KelInterface::stepRecipe(unsigned int mask)
{
    const bool idle = (status.mbusy & mask) == 0;

    if (runner.recipeState != runner.prevrcpstate) {
        runner.prevrcpstate = runner.recipeState;
        diag(QStringLiteral("RCP STATE:%1").arg(runner.recipeState));
    }

    // The entry states read the run list; an index that names no compiled entry ends them.
    if (runner.recipeState >= RCP_LOAD_ENTRY && runner.recipeState <= RCP_ENTRY_IDLE && !currentRecipeEntry())
        runner.recipeState = RCP_NEXT_ENTRY;

    switch (runner.recipeState) {
    case RCP_IDLE:
        runner.firstmove = true;
        break;
    case RCP_START:
        // A run started while the system check still moves the stage and focus (START is on
        // from "SYTEM OK!") waits for the check to finish before queueing anything.
        if (startup.interfaceState == StartupState::INT_SYSCHECK)
            break;
        runner.firstmove = true;
        runner.recipeState = RCP_LOADZ;
        break;

    // Load points: focus first, then the stage.
    case RCP_LOADZ:
        if (settings.loadptEnZ) {
            moveZTo(settings.loadptZ, &runner.recipeIndex);
            status.mbusy |= BusyFocus;
            runner.recipeState = RCP_LOADZ_TAKEN;
        } else {
            runner.recipeState = RCP_LOADXY;
        }
        break;
    case RCP_LOADZ_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            status.mbusy |= BusyFocus;
            runner.recipeState = RCP_LOADZ_IDLE;
        }
        break;
    case RCP_LOADZ_IDLE:
        if (idle) {
            runner.recipeInDelay = true;
            emit updateRecipeSts();
            runner.recipeState = RCP_LOADXY;
        }
        break;
    case RCP_LOADXY:
        if (settings.loadptEnXY) {
            moveStageTo(settings.loadptX, settings.loadptY, &runner.recipeIndex);
            status.mbusy |= BusyStage;
            runner.recipeState = RCP_LOADXY_TAKEN;
        } else {
            runner.recipeState = RCP_AT_LOAD;
        }
        break;
    case RCP_LOADXY_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            status.mbusy |= BusyStage;
            runner.recipeState = RCP_LOADXY_IDLE;
        }
        break;
    case RCP_LOADXY_IDLE:
        if (idle) {
            runner.recipeInDelay = true;
            emit updateRecipeSts();
            runner.recipeState = RCP_AT_LOAD;
        }
        break;
    case RCP_AT_LOAD:
        if (runner.firstmove) {
            recipePrompt(QLatin1String(LoadSamplePrompt));
            runner.firstmove = false;
            runner.recipeState = RCP_WAIT_LOAD;
            break;
        }
        runner.recipeState = RCP_END;
        [[fallthrough]];
    case RCP_END:
        endRecipeRun();
        break;
    case RCP_WAIT_LOAD:
        break;
    case RCP_LOADED:
        runner.firstmove = false;
        emit updateRecipeSts();
        runner.recipeState = RCP_CHOOSE;
        break;
    case RCP_CHOOSE:
        runner.recipeState = compiler.teachAlign ? RCP_ALN1_MOVE : RCP_RUN;
        break;

    // Alignment: visit each stored point, let the operator jog onto the mark, store it.
    case RCP_ALN1_MOVE:
        setAbs();
        recipeAlignMove(frame.AlnPoint1x, frame.AlnPoint1y);
        runner.recipeState = RCP_ALN1_TAKEN;
        [[fallthrough]];
    case RCP_ALN1_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            status.mbusy |= BusyStage;
            runner.recipeState = RCP_ALN1_IDLE;
        }
        break;
    case RCP_ALN1_IDLE:
        if (idle) {
            recipePrompt(QLatin1String(FirstAlignPrompt));
            runner.recipeState = RCP_ALN1_WAIT;
        }
        break;
    case RCP_ALN1_WAIT:
        break;
    case RCP_ALN2_MOVE:
        setAbs();
        frame.AlnPoint1x = frame.fxpos;
        frame.AlnPoint1y = frame.fypos;
        recipeAlignMove(frame.AlnPoint2x, frame.AlnPoint2y);
        runner.recipeState = RCP_ALN2_TAKEN;
        [[fallthrough]];
    case RCP_ALN2_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            status.mbusy |= BusyStage;
            runner.recipeState = RCP_ALN2_IDLE;
        }
        break;
    case RCP_ALN2_IDLE:
        if (idle) {
            recipePrompt(QLatin1String(SecondAlignPrompt));
            runner.recipeState = RCP_ALN2_WAIT;
        }
        break;
    case RCP_ALN2_WAIT:
        break;
    case RCP_ALN2_STORE:
        setAbs();
        frame.AlnPoint2x = frame.fxpos;
        frame.AlnPoint2y = frame.fypos;
        runner.alignTaught = true;
        runner.recipeState = RCP_RUN;
        break;

    // The entries.
    case RCP_RUN:
        setAbs();
        if (compiler.teachAlign)
            setSkew();
        runner.curPoint = runner.firstEntry;
        planRun();
        runner.recipeState = compiler.numPointsDefined > 0 ? (runner.restoreList.isEmpty() ? RCP_LOAD_ENTRY : RCP_RESTORE_LOAD) : RCP_LOADXY;
        break;
    case RCP_RESTORE_LOAD:
    case RCP_RESTORE_ISSUE:
    case RCP_RESTORE_TAKEN:
    case RCP_RESTORE_IDLE:
        restoreRecipeState(idle);
        break;
    case RCP_SPEEDS_TAKEN:
        if (ring.cmdDone(runner.recipeIndex))
            runner.recipeState = RCP_ISSUE_ENTRY;
        break;
    case RCP_LOAD_ENTRY:
        runner.recipeState = RCP_ISSUE_ENTRY;
        // Speeds already in force send nothing: the entry is issued in the same tick.
        if (loadRecipeEntry())
            break;
        [[fallthrough]];
    case RCP_ISSUE_ENTRY:
        setAbs();
        if (compiler.teachAlign)
            setSkew();
        issueRecipeEntry();
        break;
    case RCP_ENTRY_TAKEN:
        if (ring.cmdDone(runner.recipeIndex)) {
            markRecipeEntryBusy();
            // The controller carries out a shutter entry by itself once it has it: sent
            // again, an exposure would be taken twice.
            if (entryKind(*currentRecipeEntry()) == EntryKind::Shutters)
                noteEntryCompleted(runner.curPoint);
            runner.recipeState = RCP_ENTRY_IDLE;
        }
        break;
    case RCP_ENTRY_IDLE:
        settleRecipeEntry(mask);
        break;
    case RCP_DWELL:
        dwellRecipeEntry();
        break;
    case RCP_NEXT_ENTRY:
        runner.entryStartMs = runner.runWorkMs;
        ++runner.runRecord.entriesDone;
        noteEntryCompleted(runner.curPoint);
        ++runner.curPoint;
        if (runner.curPoint < compiler.numPointsDefined) {
            runner.recipeState = RCP_LOAD_ENTRY;
        } else if (runner.contMacro) {
            runner.curPoint = 0;
            runner.recipeState = RCP_LOAD_ENTRY;
        } else {
            runner.firstmove = false;
            runner.recipeState = RCP_LOADZ;
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
    if (runner.recipeRunning)
        finishRunLog(RunEnding::Restart);
    runner.runSpeeds.forgetAll();
    runner.recipeState = RCP_IDLE;
    runner.recipeIndex = 0;
    runner.recipePaused = false;
    runner.recipeRunning = false;
}

void KelInterface::startRecipe()
{
    recoverRunCheckpoint(QString::fromLatin1(RunLogName));
    runner.runRecord = RunRecord{QDateTime::currentDateTime(), QDateTime(), compiler.rcpFileName, 0, compiler.numPointsDefined,
                          RunEnding::Stop, 1, 0, recipeChecksum(compiler.recipe)};
    runner.firstEntry = 0;
    runner.restoreList.clear();
    noteEntryCompleted(-1);
    runner.runEnding = RunEnding::Stop;
    runner.alignTaught = false;
    planRun();
    runner.recipeState = RCP_START;
    runner.recipeRunning = true;
    runner.recipePaused = false;
    runner.recipeInDelay = false;
    emit updateRecipeSts();
}

// Holds the dwell countdown; moves and commands already under way go on.
void KelInterface::recipePause()
{
    runner.recipePaused = true;
    runner.recipeInDelay = false;
    emit updateRecipeSts();
}

// RESUME moves on by one state where the run waits for the operator: past a prompt, out of
// a dwell, past a pause entry. Anywhere else (between loading an entry and moving it, or
// during an exposure, which ends by itself) it only clears the flags, so that no step of
// an entry is skipped and the run goes on when the entry is done.
void KelInterface::recipeContinue()
{
    runner.recipePaused = false;
    runner.recipeInDelay = false;
    if (recipeWaitsForOperator() && recipeStateHasStep(runner.recipeState + 1))
        ++runner.recipeState;
    emit updateRecipeSts();
}

RunWait KelInterface::recipeWaitsOn() const
{
    switch (runner.recipeState) {
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
    if (runner.wexp1)
        return RunWait::Shutter1;
    if (runner.wexp2)
        return RunWait::Shutter2;
    return runner.wexp3 ? RunWait::Shutter3 : RunWait::Nothing;
}

bool KelInterface::recipeWaitsForOperator() const
{
    switch (runner.recipeState) {
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
    switch (runner.recipeState) {
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
    if (runner.recipeState != RCP_DWELL)
        return;
    runner.recipeInDelay = false;
    emit updateRecipeSts();
    runner.recipeState = RCP_NEXT_ENTRY;
}

void KelInterface::prevRecipePoint()
{
    if (runner.recipeState != RCP_DWELL)
        return;
    if (runner.curPoint > 0)
        --runner.curPoint;
    runner.recipeInDelay = false;
    emit updateRecipeSts();
    runner.recipeState = RCP_LOAD_ENTRY;
}

// Commands already queued are left to the controller; HALT is there to stop the axes.
void KelInterface::stopRecipe()
{
    runner.runSpeeds.forgetAll();
    if (runner.recipeRunning)
        finishRunLog(runner.runEnding);
    runner.recipeState = RCP_IDLE;
    runner.recipeRunning = false;
    runner.recipePaused = false;
    runner.recipeInDelay = false;
    frame.xincr = settings.defxincr;
    frame.yincr = settings.defyincr;
    frame.zincr = settings.defzincr;
    emit updateRecipeSts();
}

void KelInterface::setContMacro(bool on)
{
    runner.contMacro = on;
}

bool KelInterface::isRecipeRunning()
{
    return runner.recipeRunning;
}

bool KelInterface::isRecipePaused()
{
    return runner.recipePaused;
}

bool KelInterface::isRecipeDelay()
{
    return runner.recipeInDelay;
}
