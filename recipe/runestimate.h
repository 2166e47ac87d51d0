// The time a run will take: a model of each run-list entry's time from distances, speeds,
// dwells, wheel turns and exposures plus the runner's own cost per entry, and a running
// estimate of the time left that corrects the model by the run's own pace.
#pragma once

#include "config/configdefaults.h"
#include "motion/skewtransform.h"

#include <QVector>

#include <optional>

struct recipePointStruct;

namespace Ptx {

// The controller's and the runner's timing. The hardware figures are the controller's; the
// per-entry costs are the ticks the runner spends on an entry beyond the hardware's own
// time (sending the command one packet per tick, and noticing the idle axes or the end of
// the exposure at the next read of it, every other tick), measured on the simulated
// controller.
struct RunTimings {
    double tickMs = 25.0;
    double wheelSlotMs = 200.0;     // one slot of a filter wheel
    double wheelHomeMs = 600.0;     // a homing run, on top of its slots
    int wheelPositions = 10;
    double exposureMs = 100.0;      // a shutter's exposure until the run sets another
    double motionEntryTicks = 2.2;  // an XY or focus entry whose speed is in force
    // An entry whose speed is sent first: the writes and the read-back, one tick each. The
    // first stage and the first focus entry of a run always send theirs.
    double speedXYTicks = 3.0;
    double speedZTicks = 2.0;
    double wheelEntryTicks = 2.1;
    double exposureEntryTicks = 2.6;  // a shutter entry that exposes: the end is polled
    double shutterEntryTicks = 2.0;   // one that only opens, closes or sets a time
    double pauseEntryTicks = 0.0;
};

// Where the run starts from and what it runs with.
struct RunSetup {
    double stepsPerMMxy = DefaultStepsPerMMxy;
    double micronsPerStepZ = DefaultMicronsPerStepZ;
    double speedXY = DefaultSpeedXY;    // mm/s, the first entry's speed
    double speedZ = DefaultSpeedZ;      // steps/s
    double stageX = 0.0;            // stage position at the start, mm
    double stageY = 0.0;
    double stageZ = 0.0;            // microns
    int wheel1 = 1;
    int wheel2 = 1;
    // The alignment that turns run-list coordinates into stage coordinates, if any.
    std::optional<SkewTransform> align;
    // Load points the run returns to after its last entry, when enabled (stage coordinates).
    std::optional<double> loadX, loadY, loadZ;
};

// Time of a move over distance steps at speed steps per second, in milliseconds.
double moveMs(double distanceSteps, double stepsPerSecond);
// Time of a wheel's turn from one slot to another the short way round (72 homes it).
double wheelMs(int from, int to, const RunTimings &timings);

// The predicted time of every entry, in milliseconds, as the runner runs them from setup.
// A dwell or pause that waits for the operator counts as no time.
QVector<double> entryTimesMs(const QVector<recipePointStruct> &entries, const RunSetup &setup,
                             const RunTimings &timings = RunTimings());
// The time of the return to the load points after the last entry.
double returnTimeMs(const QVector<recipePointStruct> &entries, const RunSetup &setup,
                    const RunTimings &timings = RunTimings());

// The time left of a run, from the model's entry times and the run's own pace so far.
class RunEstimate
{
public:
    RunEstimate() = default;
    RunEstimate(const QVector<double> &entryMs, double returnMs);

    int entryCount() const { return int(prefix.size()) - 1; }
    // The run starts at entry index: the pace compares with the model from there.
    void startAt(int index) { first = index; }
    double totalMs() const { return prefix.isEmpty() ? 0.0 : prefix.last() + endMs; }
    // Predicted time from the start of entry index to the end of the run.
    double modelLeftMs(int index) const;
    // Time left while entry index has run for inEntryMs, given that the entries before it
    // (from the first entry run) took doneMs of working time: the model scaled by the pace seen so far, trusted the
    // more the longer the run has gone.
    double leftMs(int index, double doneMs, double inEntryMs) const;

private:
    QVector<double> prefix;         // prefix[i]: predicted time of entries 0..i-1
    double endMs = 0.0;
    int first = 0;
};

} // namespace Ptx
