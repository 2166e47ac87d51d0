// RunnerState: where a run stands and what it has set, kept from one tick to the next.
#pragma once

#include "recipe/recipepoint.h"
#include "recipe/runestimate.h"
#include "recipe/runlog.h"
#include "recipe/runnerstates.h"
#include "recipe/runspeeds.h"

#include <QElapsedTimer>
#include <QVector>

struct RunnerState {
    int recipeState = Ptx::RCP_IDLE;
    int recipeIndex = 0;
    int curPoint = 0;
    bool recipeRunning = false;
    bool recipePaused = false;
    bool recipeInDelay = false;
    int recipeDelay = -1;
    bool contMacro = false;

    // Working values of the entry under way.
    bool firstmove = true;
    double curscanx = 0.0;
    double curscany = 0.0;
    double curscanz = 0.0;
    double curspeedxy = 0.0;
    double curspeedz = 0.0;
    int delaycnt = 0;
    bool wexp1 = false;
    bool wexp2 = false;
    bool wexp3 = false;
    int prevrcpstate = -1;

    // The speeds the runner last set on this connection; forgotten whenever they may no longer
    // be in force (connection, halt, stop, start of a run, system check, a reply lost, any
    // other speed command).
    Ptx::RunSpeeds runSpeeds;

    // The run's time-left model, its working time and its log line.
    Ptx::RunEstimate runEstimate;
    QElapsedTimer runClock;
    qint64 lastRunTickMs = 0;
    double runWorkMs = 0.0;
    double entryStartMs = 0.0;
    Ptx::RunRecord runRecord;
    Ptx::RunEnding runEnding = Ptx::RunEnding::Stop;
    bool alignTaught = false;

    // A run started at a later entry: that entry (from 0) and what is sent before it.
    int firstEntry = 0;
    QVector<recipePointStruct> restoreList;
    int restoreIndex = 0;
    unsigned int restoreBusy = 0;

    // Status reads while a run goes: the next read of the rotation, and whether the last
    // read was for what the run waits on.
    int runPollNext = 0;
    bool runPollServedWait = false;
};
