#include "simulator/hardwareclock.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace PtxSim {

namespace {
constexpr qint64 UsPerMs = 1000;
constexpr double NsPerUs = 1000.0;
// Hardware time stops here (some 70000 years), far enough below the end of the 64-bit range
// that the model can add move and exposure times to it without overflowing.
constexpr qint64 EndUs = std::numeric_limits<qint64>::max() / 4;
}

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
    const double us = double(baseUs) + elapsedNs * factor / NsPerUs;
    return us >= double(EndUs) ? EndUs : qint64(us);
}

void HardwareClock::setScale(double newFactor)
{
    if (!std::isfinite(newFactor) || newFactor <= 0.0 || newFactor > MaxScale)
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
    if (!manual || ms <= 0)
        return;
    const qint64 roomMs = (EndUs - baseUs) / UsPerMs;
    baseUs += std::min(ms, roomMs) * UsPerMs;
}

void HardwareClock::rebase()
{
    baseUs = nowUs();
    baseWallNs = wall.nsecsElapsed();
}

} // namespace PtxSim
