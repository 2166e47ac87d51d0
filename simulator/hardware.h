// The controller's hardware: fitted modules, three axes, two filter wheels, three shutters.
#pragma once

#include "simulator/axis.h"
#include "simulator/devices.h"
#include "simulator/shutter.h"
#include "simulator/simoptions.h"
#include "simulator/wheel.h"

#include <QList>

#include <array>

namespace PtxSim {

class HardwareClock;

class Hardware
{
public:
    Hardware(const Options &options, const HardwareClock &clock);

    qint64 nowUs() const;

    // Devices 0 (all) and 32 (the controller) are always there; modules 1..31 as fitted.
    bool present(int dev) const;
    QList<int> modules() const { return fitted; }
    void setModules(const QList<int> &modules);     // numbers outside 1..31 are left out

    static bool isAxis(int dev) { return dev >= DevX && dev <= DevZ; }
    static bool isWheel(int wheel) { return wheel == 1 || wheel == 2; }
    static bool isShutter(int shutter) { return shutter >= 1 && shutter <= Ptx::ShutterCount; }
    static int wheelModule(int wheel) { return wheel == 1 ? DevWheel1 : DevWheel2; }

    // Callers check isAxis / isWheel / isShutter first.
    Axis &axis(int dev) { return axes[dev - DevX]; }
    const Axis &axis(int dev) const { return axes[dev - DevX]; }
    Wheel &wheel(int wheel) { return wheels[wheel - 1]; }
    const Wheel &wheel(int wheel) const { return wheels[wheel - 1]; }
    Shutter &shutter(int shutter) { return shutters[shutter - 1]; }
    const Shutter &shutter(int shutter) const { return shutters[shutter - 1]; }

    // Bit n set while module n (a fitted axis or wheel) is moving.
    quint32 busyMask() const;
    // Stops every axis and wheel where it is.
    void halt();
    // Drives the fitted X and Y axes to the centres of their travel at their centring speeds.
    void calibrate();

    static constexpr int AxisCount = 3;

private:
    const HardwareClock &clock;
    QList<int> fitted;
    std::array<Axis, AxisCount> axes;
    std::array<Wheel, Ptx::WheelCount> wheels;
    std::array<Shutter, Ptx::ShutterCount> shutters;
};

} // namespace PtxSim
