#include "simulator/wheel.h"

#include <algorithm>

namespace PtxSim {

namespace {
constexpr qint64 UsPerMs = 1000;
}

Wheel::Wheel(int positions, int slotMs, int homeMs)
    : slotCount(std::clamp(positions, 1, MaxPositions)),
      slotUs(std::max<qint64>(1, qint64(slotMs) * UsPerMs)),
      homeUs(std::max<qint64>(0, qint64(homeMs) * UsPerMs))
{
}

int Wheel::position(qint64 nowUs) const
{
    if (steps == 0 || nowUs < startUs + waitUs)
        return fromSlot;
    const qint64 done = std::min<qint64>(steps, (nowUs - startUs - waitUs) / slotUs);
    return wrap(fromSlot + dir * int(done));
}

bool Wheel::isMoving(qint64 nowUs) const
{
    return nowUs < endUs();
}

void Wheel::moveTo(int slot, qint64 nowUs)
{
    const int from = position(nowUs);
    const int forward = ((slot - from) % slotCount + slotCount) % slotCount;
    fromSlot = from;
    startUs = nowUs;
    waitUs = 0;
    dir = forward <= slotCount - forward ? 1 : -1;
    steps = dir > 0 ? forward : slotCount - forward;
}

void Wheel::home(qint64 nowUs)
{
    moveTo(1, nowUs);
    waitUs = homeUs;
}

void Wheel::stop(qint64 nowUs)
{
    fromSlot = position(nowUs);
    steps = 0;
    waitUs = 0;
    startUs = nowUs;
}

bool Wheel::setPosition(int slot)
{
    if (slot < 1 || slot > slotCount)
        return false;
    fromSlot = slot;
    steps = 0;
    waitUs = 0;
    return true;
}

int Wheel::wrap(int slot) const
{
    return ((slot - 1) % slotCount + slotCount) % slotCount + 1;
}

qint64 Wheel::endUs() const
{
    if (steps == 0 && waitUs == 0)
        return 0;
    return startUs + waitUs + steps * slotUs;
}

} // namespace PtxSim
