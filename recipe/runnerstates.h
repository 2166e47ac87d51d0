// The recipe runner's state numbers and the pure rules of its state table.
#pragma once

#include "controller/protocol.h"

namespace Ptx {

// Runner states. The numbers are the runner's own: they appear in the "RCP STATE:%d"
// diagnostic, and RESUME advances whatever state it is pressed in by one.
enum RecipeState : int {
    RCP_IDLE = 0,
    RCP_START = 1,
    RCP_CHOOSE = 2,             // after the load prompt: align first, or run
    RCP_LOADXY = 30,            // stage to the XY load point
    RCP_LOADXY_TAKEN = 31,
    RCP_LOADXY_IDLE = 32,
    RCP_LOADZ = 40,             // focus to the Z load point
    RCP_LOADZ_TAKEN = 41,
    RCP_LOADZ_IDLE = 42,
    RCP_AT_LOAD = 89,           // at the load points: prompt for the sample, or end the run
    RCP_END = 90,
    RCP_WAIT_LOAD = 95,         // waiting for RESUME after "Load Sample"
    RCP_LOADED = 96,
    RCP_RUN = 2000,             // coordinate mode on, first entry
    RCP_LOAD_ENTRY = 2001,      // speeds of the entry
    RCP_SPEEDS_TAKEN = 2002,
    RCP_ISSUE_ENTRY = 2003,     // the entry's move, wheel or shutter command
    RCP_ENTRY_TAKEN = 2004,
    RCP_ENTRY_IDLE = 2005,
    RCP_DWELL = 2006,
    RCP_NEXT_ENTRY = 2007,
    RCP_RESTORE_LOAD = 2010,    // started at a later entry: speeds of a restoring step
    RCP_RESTORE_ISSUE = 2011,   // its move, wheel or shutter command
    RCP_RESTORE_TAKEN = 2012,
    RCP_RESTORE_IDLE = 2013,
    RCP_ALN1_MOVE = 4000,       // to the stored first alignment point
    RCP_ALN1_TAKEN = 4001,
    RCP_ALN1_IDLE = 4002,
    RCP_ALN1_WAIT = 4003,       // operator jogs onto the first mark
    RCP_ALN2_MOVE = 4004,       // point 1 stored, to the second point
    RCP_ALN2_TAKEN = 4005,
    RCP_ALN2_IDLE = 4006,
    RCP_ALN2_WAIT = 4007,
    RCP_ALN2_STORE = 4008
};

// The prompts of the states that wait for the operator's RESUME.
constexpr const char *LoadSamplePrompt = "Load Sample and press RESUME";
constexpr const char *FirstAlignPrompt = "Move to 1st ALIGN Point Press RESUME";
constexpr const char *SecondAlignPrompt = "Move to 2nd ALIGN Point Press RESUME";
// What a run held at a PAUSE entry waits for; the display shows no prompt for it.
constexpr const char *PauseEntryPrompt = "PAUSE";

// True for the states of the table; any other number would strand the run.
bool recipeStateHasStep(int state);

// True where the runner's step from one state to the next waits for nothing, so that the
// next state's step follows in the same tick: the end of a wait or dwell goes straight on
// to the next entry, and an entry whose speeds need not be sent is moved at once.
bool recipeStepChains(int from, int to);
// Most steps the runner takes in one tick.
constexpr int MaxRecipeStepsPerTick = 4;

// What a run waits on from the controller, for the status reads to serve first.
enum class RunWait {
    Nothing,
    Motion,     // the busy mask: axes or wheels moving
    Shutter1,   // an exposure: the shutter's state
    Shutter2,
    Shutter3
};

// Busy-mask bits the runner sets itself when it queues a move, so that it does not take the
// idle mask of an earlier poll for the end of the move.
constexpr unsigned int BusyStage = (1u << DevX) | (1u << DevY);
constexpr unsigned int BusyFocus = 1u << DevZ;
constexpr unsigned int BusyWheels = (1u << DevWheel1) | (1u << DevWheel2);

// The runner's time unit, in milliseconds.
constexpr int RecipeTickMs = 25;

// A dwell of ms milliseconds in whole ticks, truncated; 0 for anything below one tick,
// negative or not a number; capped at the largest int.
int dwellTicks(double ms);

} // namespace Ptx
