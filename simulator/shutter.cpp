#include "simulator/shutter.h"

#include <algorithm>

namespace PtxSim {

namespace {
constexpr qint64 UsPerMs = 1000;
}

Shutter::Shutter(int exposureMs)
    : exposure(std::clamp(exposureMs, 0, MaxExposureMs))
{
}

int Shutter::state(qint64 nowUs) const
{
    if (current == Exposing && nowUs >= exposureEndUs)
        return Closed;
    return current;
}

bool Shutter::setState(int newState, qint64 nowUs)
{
    if (newState != Closed && newState != Open && newState != Exposing)
        return false;
    current = newState;
    if (newState == Exposing)
        exposureEndUs = nowUs + qint64(exposure) * UsPerMs;
    return true;
}

bool Shutter::setExposureMs(int ms)
{
    if (ms < 0 || ms > MaxExposureMs)
        return false;
    exposure = ms;
    return true;
}

} // namespace PtxSim
