#include "recipe/runestimate.h"

#include "recipe/recipepoint.h"
#include "recipe/runnerentrykind.h"
#include "recipe/runnerstates.h"

#include <algorithm>
#include <cmath>

namespace Ptx {

namespace {

constexpr double MsPerSecond = 1000.0;
// How much of the observed pace is trusted: half once the model's time of the entries done
// reaches this, most of it a few seconds into the run.
constexpr double PaceSettleMs = 500.0;
// Paces beyond these bounds come from a stall, not from the model being wrong.
constexpr double SlowestPace = 4.0;
constexpr double FastestPace = 0.25;

// Tracks the axes and wheels through the run as the controller would move them.
struct Machine {
    const RunSetup &setup;
    const RunTimings &timings;
    double x, y, z;
    int wheel1, wheel2;
    double exposure[ShutterCount];
    // The speeds the runner last sent; none at the start of a run.
    std::optional<double> speedXY, speedZ;

    Machine(const RunSetup &s, const RunTimings &t)
        : setup(s), timings(t), x(s.stageX), y(s.stageY), z(s.stageZ), wheel1(s.wheel1), wheel2(s.wheel2)
    {
        std::fill(std::begin(exposure), std::end(exposure), t.exposureMs);
    }

    // Both axes run at the same speed, so the longer leg decides.
    double moveXY(double toX, double toY, double speed)
    {
        const double legMM = std::max(std::abs(toX - x), std::abs(toY - y));
        x = toX;
        y = toY;
        return moveMs(legMM * std::abs(setup.stepsPerMMxy), std::abs(setup.stepsPerMMxy) * speed);
    }

    double moveZ(double toZ, double speed)
    {
        const double steps = std::abs(toZ - z) / std::abs(setup.micronsPerStepZ);
        z = toZ;
        return moveMs(steps, speed);
    }

    // The cost of sending the speed, unless it is the one last sent.
    static double speedTicks(std::optional<double> *last, double speed, double ticks)
    {
        if (*last == speed)
            return 0.0;
        *last = speed;
        return ticks;
    }

    double entry(const recipePointStruct &e, bool first)
    {
        const double tick = timings.tickMs;
        switch (entryKind(e)) {
        case EntryKind::StageXY: {
            double sx = e.x;
            double sy = e.y;
            if (setup.align)
                setup.align->toStage(e.x, e.y, &sx, &sy);
            const double speed = first ? setup.speedXY : e.speedxy;
            const double sendTicks = speedTicks(&speedXY, speed, timings.speedXYTicks);
            return moveXY(sx, sy, speed) + dwellTicks(e.delay) * tick + (timings.motionEntryTicks + sendTicks) * tick;
        }
        case EntryKind::Focus: {
            const double speed = first ? setup.speedZ : e.speedz;
            const double sendTicks = speedTicks(&speedZ, speed, timings.speedZTicks);
            return moveZ(e.z, speed) + dwellTicks(e.delay) * tick + (timings.motionEntryTicks + sendTicks) * tick;
        }
        case EntryKind::Wheels: {
            double ms = 0.0;
            if (e.f1move) {
                ms = wheelMs(wheel1, e.f1pos, timings);
                wheel1 = e.f1pos == WheelHome ? 1 : e.f1pos;
            }
            if (e.f2move) {
                ms = std::max(ms, wheelMs(wheel2, e.f2pos, timings));
                wheel2 = e.f2pos == WheelHome ? 1 : e.f2pos;
            }
            return ms + timings.wheelEntryTicks * tick;
        }
        case EntryKind::Pause:
            return e.fdelay > RecipeTickMs ? dwellTicks(e.fdelay) * tick + timings.pauseEntryTicks * tick : 0.0;
        case EntryKind::Shutters:
            break;
        }
        const ShutterWord word = decodeShutterWord(e.shopt);
        if (word.exposureShutter != 0) {
            exposure[word.exposureShutter - 1] = word.exposureTime;
            return timings.shutterEntryTicks * tick;
        }
        double ms = 0.0;
        bool exposes = false;
        for (int n = 0; n < ShutterCount; ++n) {
            if (word.code[n] == ShutterExpose) {
                ms = std::max(ms, exposure[n]);
                exposes = true;
            }
        }
        return ms + (exposes ? timings.exposureEntryTicks : timings.shutterEntryTicks) * tick;
    }
};

} // namespace

double moveMs(double distanceSteps, double stepsPerSecond)
{
    if (!(distanceSteps > 0.0) || !(stepsPerSecond > 0.0) || !std::isfinite(distanceSteps))
        return 0.0;
    return distanceSteps / stepsPerSecond * MsPerSecond;
}

double wheelMs(int from, int to, const RunTimings &timings)
{
    // Slot numbers come from the recipe unchecked: the difference of two of them needs more
    // than 32 bits.
    const qint64 size = std::max(1, timings.wheelPositions);
    const bool home = to == WheelHome;
    const qint64 target = home ? 1 : to;
    const qint64 ahead = (((target - from) % size) + size) % size;
    const qint64 turns = std::min(ahead, size - ahead);
    return turns * timings.wheelSlotMs + (home ? timings.wheelHomeMs : 0.0);
}

QVector<double> entryTimesMs(const QVector<recipePointStruct> &entries, const RunSetup &setup,
                             const RunTimings &timings)
{
    Machine machine(setup, timings);
    QVector<double> times;
    times.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i)
        times.append(machine.entry(entries.at(i), i == 0));
    return times;
}

double returnTimeMs(const QVector<recipePointStruct> &entries, const RunSetup &setup,
                    const RunTimings &timings)
{
    Machine machine(setup, timings);
    for (int i = 0; i < entries.size(); ++i)
        machine.entry(entries.at(i), i == 0);
    // The return runs at the speeds the axes were last given.
    double speedXY = setup.speedXY;
    double speedZ = setup.speedZ;
    for (const recipePointStruct &e : entries) {
        if (entryKind(e) == EntryKind::StageXY)
            speedXY = e.speedxy;
        else if (entryKind(e) == EntryKind::Focus)
            speedZ = e.speedz;
    }
    double ms = 0.0;
    if (setup.loadZ)
        ms += machine.moveZ(*setup.loadZ, speedZ) + timings.motionEntryTicks * timings.tickMs;
    if (setup.loadX && setup.loadY)
        ms += machine.moveXY(*setup.loadX, *setup.loadY, speedXY) + timings.motionEntryTicks * timings.tickMs;
    return ms;
}

RunEstimate::RunEstimate(const QVector<double> &entryMs, double returnMs) : endMs(returnMs)
{
    prefix.reserve(entryMs.size() + 1);
    prefix.append(0.0);
    for (double ms : entryMs)
        prefix.append(prefix.last() + ms);
}

double RunEstimate::modelLeftMs(int index) const
{
    if (prefix.isEmpty())
        return 0.0;
    const int i = std::clamp(index, 0, entryCount());
    return prefix.last() - prefix.at(i) + endMs;
}

double RunEstimate::leftMs(int index, double doneMs, double inEntryMs) const
{
    if (prefix.isEmpty())
        return 0.0;
    const int i = std::clamp(index, 0, entryCount());
    const double modelDone = prefix.at(i) - prefix.at(std::clamp(first, 0, i));
    double pace = 1.0;
    if (modelDone > 0.0 && doneMs > 0.0) {
        const double seen = std::clamp(doneMs / modelDone, FastestPace, SlowestPace);
        const double trust = modelDone / (modelDone + PaceSettleMs);
        pace = 1.0 + trust * (seen - 1.0);
    }
    const double current = i < entryCount() ? prefix.at(i + 1) - prefix.at(i) : 0.0;
    const double after = modelLeftMs(i) - current;
    // The current entry is taken as done no sooner than the model says, however long it ran.
    return pace * after + std::max(0.0, pace * current - inEntryMs);
}

} // namespace Ptx
