#include "simulator/hardwareclock.h"

#include <cmath>

namespace PtxSim {

HardwareClock::HardwareClock(double scale)
{
    wall.start();
    setScale(scale);
}

qint64 HardwareClock::nowUs() const
{
    if (manual)
        return baseUs;
    const double elapsedNs = double(wall.nsecsElapsed() - baseWallNs);
    return baseUs + qint64(elapsedNs * factor / 1000.0);
}

void HardwareClock::setScale(double newFactor)
{
    if (!std::isfinite(newFactor) || newFactor <= 0.0)
        return;
    rebase();
    factor = newFactor;
}

void HardwareClock::setManual(bool on)
{
    rebase();
    manual = on;
}

void HardwareClock::advance(qint64 ms)
{
    if (manual && ms > 0)
        baseUs += ms * 1000;
}

void HardwareClock::rebase()
{
    baseUs = nowUs();
    baseWallNs = wall.nsecsElapsed();
}

} // namespace PtxSim
