#include "controller/controllerstatus.h"

#include "controller/protocol.h"

namespace {

// The shutter read answers with the shutter's number (plus 99) in bits 16-23 and its state
// in the low byte.
constexpr int ShutterFieldShift = 16;
constexpr long ByteMask = 0xFF;

} // namespace

unsigned int ControllerStatus::applyRead(unsigned int dev, unsigned int index, long value)
{
    switch (dev) {
    case Ptx::DevWheel1:
        setModPresent(Ptx::DevWheel1, true);
        if (index == Ptx::IdxPosition) {
            fw1CurPos = value;
            return ModulesSeen | PositionChanged;
        }
        if (index == Ptx::IdxShutter) {
            const long k = ((value >> ShutterFieldShift) & ByteMask) - Ptx::ShutterBase;
            long *const shutters[Ptx::ShutterCount] = {&fwShut1Pos, &fwShut2Pos, &fwShut3Pos};
            if (k >= 1 && k <= Ptx::ShutterCount)
                *shutters[k - 1] = value & ByteMask;
            return ModulesSeen | ShuttersChanged;
        }
        return ModulesSeen;
    case Ptx::DevWheel2:
        setModPresent(Ptx::DevWheel2, true);
        if (index == Ptx::IdxPosition) {
            fw2CurPos = value;
            return ModulesSeen | PositionChanged;
        }
        return ModulesSeen;
    case Ptx::DevX:
    case Ptx::DevY:
    case Ptx::DevZ:
        setModPresent(dev, true);
        if (index == Ptx::IdxPosition) {
            long *const axes[] = {&xpos, &ypos, &zpos};
            *axes[dev - Ptx::DevX] = value;
            return ModulesSeen | PositionChanged;
        }
        return ModulesSeen;
    case Ptx::DevController:
        if (index == Ptx::IdxBusyMask) {
            mbusy = static_cast<unsigned int>(value);
            return BusyChanged;
        }
        return NoChange;
    default:
        return NoChange;
    }
}
