// The hardware getters and setters of Simulator; out-of-range numbers read as 0 and are
// otherwise ignored.
#include "simulator/simulator.h"

#include "simulator/hardware.h"
#include "simulator/hardwareclock.h"

namespace PtxSim {

QList<int> Simulator::modules() const { return hardware->modules(); }

void Simulator::setModules(const QList<int> &modules)
{
    hardware->setModules(modules);
    opts.modules = hardware->modules();
}

bool Simulator::modulePresent(int dev) const { return hardware->present(dev); }
quint32 Simulator::busyMask() const { return hardware->busyMask(); }

qint32 Simulator::axisPosition(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).position(clock->nowUs()) : 0;
}

void Simulator::setAxisPosition(int dev, qint32 steps)
{
    if (Hardware::isAxis(dev))
        hardware->axis(dev).setPosition(steps);
}

qint32 Simulator::axisTarget(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).target() : 0;
}

bool Simulator::axisMoving(int dev) const
{
    return Hardware::isAxis(dev) && hardware->axis(dev).isMoving(clock->nowUs());
}

qint32 Simulator::axisSpeed(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).speed() : 0;
}

void Simulator::setAxisSpeed(int dev, qint32 stepsPerSecond)
{
    if (Hardware::isAxis(dev))
        hardware->axis(dev).setSpeed(stepsPerSecond);
}

qint32 Simulator::centringSpeed(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).centringSpeed() : 0;
}

qint32 Simulator::travelMin(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).travelMin() : 0;
}

qint32 Simulator::travelMax(int dev) const
{
    return Hardware::isAxis(dev) ? hardware->axis(dev).travelMax() : 0;
}

void Simulator::setTravel(int dev, qint32 min, qint32 max)
{
    if (!Hardware::isAxis(dev) || min > max)
        return;
    Axis &axis = hardware->axis(dev);
    axis.stop(clock->nowUs());
    axis.setTravel(min, max);
}

int Simulator::wheelPosition(int wheel) const
{
    return Hardware::isWheel(wheel) ? hardware->wheel(wheel).position(clock->nowUs()) : 0;
}

void Simulator::setWheelPosition(int wheel, int position)
{
    if (Hardware::isWheel(wheel))
        hardware->wheel(wheel).setPosition(position);
}

bool Simulator::wheelMoving(int wheel) const
{
    return Hardware::isWheel(wheel) && hardware->wheel(wheel).isMoving(clock->nowUs());
}

int Simulator::wheelSize(int wheel) const
{
    return Hardware::isWheel(wheel) ? hardware->wheel(wheel).size() : 0;
}

int Simulator::shutterState(int shutter) const
{
    return Hardware::isShutter(shutter) ? hardware->shutter(shutter).state(clock->nowUs()) : 0;
}

void Simulator::setShutterState(int shutter, int state)
{
    if (Hardware::isShutter(shutter))
        hardware->shutter(shutter).setState(state, clock->nowUs());
}

int Simulator::exposureTime(int shutter) const
{
    return Hardware::isShutter(shutter) ? hardware->shutter(shutter).exposureMs() : 0;
}

} // namespace PtxSim
