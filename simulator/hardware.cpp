#include "simulator/hardware.h"

#include "simulator/hardwareclock.h"

#include <algorithm>

namespace PtxSim {

namespace {

Axis makeAxis(const Options &o)
{
    return Axis(o.travelMin, o.travelMax, o.axisSpeed, o.centringSpeed);
}

} // namespace

Hardware::Hardware(const Options &o, const HardwareClock &hwClock)
    : clock(hwClock),
      axes{makeAxis(o), makeAxis(o), makeAxis(o)},
      wheels{Wheel(o.wheel1Positions, o.wheelSlotMs, o.wheelHomeMs),
             Wheel(o.wheel2Positions, o.wheelSlotMs, o.wheelHomeMs)},
      shutters{Shutter(o.exposureMs), Shutter(o.exposureMs), Shutter(o.exposureMs)}
{
    setModules(o.modules);
}

qint64 Hardware::nowUs() const
{
    return clock.nowUs();
}

bool Hardware::present(int dev) const
{
    return dev == DevAll || dev == DevController || fitted.contains(dev);
}

void Hardware::setModules(const QList<int> &modules)
{
    fitted.clear();
    for (int m : modules) {
        if (m > DevAll && m < DevController && !fitted.contains(m))
            fitted.append(m);
    }
    std::sort(fitted.begin(), fitted.end());
}

quint32 Hardware::busyMask() const
{
    const qint64 now = nowUs();
    quint32 mask = 0;
    for (int dev = DevX; dev <= DevZ; ++dev) {
        if (present(dev) && axis(dev).isMoving(now))
            mask |= 1u << dev;
    }
    for (int w = 1; w <= Ptx::WheelCount; ++w) {
        if (present(wheelModule(w)) && wheel(w).isMoving(now))
            mask |= 1u << wheelModule(w);
    }
    return mask;
}

void Hardware::halt()
{
    const qint64 now = nowUs();
    for (Axis &a : axes)
        a.stop(now);
    for (Wheel &w : wheels)
        w.stop(now);
}

void Hardware::calibrate()
{
    const qint64 now = nowUs();
    for (int dev : {DevX, DevY}) {
        if (present(dev))
            axis(dev).moveTo(axis(dev).centre(), axis(dev).centringSpeed(), now);
    }
}

} // namespace PtxSim
