// KelInterface: the status polling cycle of normal operation.
#include "controller/kelinterface.h"

namespace {

// Polling sub-states.
enum PollStep : unsigned int {
    PollStart = StartupState::FirstStep,
    PollBusy = 1,
    PollBusyWait = 2,
    PollX = 10,
    PollXWait = 11,
    PollY = 20,
    PollYWait = 21,
    PollZ = 30,
    PollZWait = 31
};

} // namespace

void KelInterface::stateNormal()
{
    // Queues a read with its reply awaited; false when the ring refused it.
    auto queueRead = [this](uint dev, uint index, long data = 0) {
        const int slot = addCommand(dev, Ptx::CmdRead, index, data, true);
        if (slot < 0)
            return false;
        startup.stateCmdIndex = slot;
        return true;
    };
    // Queues a position read and waits for it; a read the ring refused is retried from
    // the axis's own queueing sub-state on the next tick.
    auto readAxis = [this, &queueRead](uint dev, PollStep queue, PollStep wait) {
        startup.interfaceSubState = queueRead(dev, Ptx::IdxPosition) ? wait : queue;
    };
    // A requested system check takes over; true when it did.
    auto takeUpRequest = [this] {
        if (startup.nextInterfaceState == StartupState::INT_NORMAL)
            return false;
        startup.interfaceState = startup.nextInterfaceState;
        startup.interfaceSubState = StartupState::FirstStep;
        startup.nextInterfaceState = StartupState::INT_NORMAL;
        return true;
    };
    // A new cycle starts with the busy mask, in the same tick as the last read ended, unless
    // a system check is due.
    auto startCycle = [this, &queueRead, &takeUpRequest] {
        if (!takeUpRequest())
            startup.interfaceSubState = queueRead(Ptx::DevController, Ptx::IdxBusyMask) ? PollBusyWait : PollBusy;
    };

    // While a run goes its own reads replace the cycle (pollForRun), which starts afresh after it.
    if (runPollingActive()) {
        if (!takeUpRequest())
            startup.interfaceSubState = PollStart;
        return;
    }
    // After the busy mask or X: the next present axis.
    auto readAxesAfter = [this, &readAxis, &startCycle](uint done) {
        if (done < Ptx::DevX && getModPresent(Ptx::DevX))
            readAxis(Ptx::DevX, PollX, PollXWait);
        else if (getModPresent(Ptx::DevY))
            readAxis(Ptx::DevY, PollY, PollYWait);
        else if (getModPresent(Ptx::DevZ))
            readAxis(Ptx::DevZ, PollZ, PollZWait);
        else
            startCycle();
    };

    switch (startup.interfaceSubState) {
    case PollStart:
        startCycle();
        return;
    case PollBusy:
        if (queueRead(Ptx::DevController, Ptx::IdxBusyMask))
            startup.interfaceSubState = PollBusyWait;
        return;
    case PollBusyWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        if (getModPresent(Ptx::DevWheel1)) {
            addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxPosition, 0, true);
            addCommand(Ptx::DevWheel2, Ptx::CmdRead, Ptx::IdxPosition, 0, true);
            for (int k = 1; k <= Ptx::ShutterCount; ++k)
                addCommand(Ptx::DevWheel1, Ptx::CmdRead, Ptx::IdxShutter,
                           (Ptx::ShutterBase + k) * Ptx::HighWordScale, true);
        }
        readAxesAfter(Ptx::DevAll);
        return;
    case PollX:
        if (queueRead(Ptx::DevX, Ptx::IdxPosition))
            startup.interfaceSubState = PollXWait;
        return;
    case PollXWait:
        if (ring.cmdDone(startup.stateCmdIndex))
            readAxesAfter(Ptx::DevX);
        return;
    case PollY:
        if (queueRead(Ptx::DevY, Ptx::IdxPosition))
            startup.interfaceSubState = PollYWait;
        return;
    case PollYWait:
        if (!ring.cmdDone(startup.stateCmdIndex))
            return;
        if (getModPresent(Ptx::DevZ))
            readAxis(Ptx::DevZ, PollZ, PollZWait);
        else
            startCycle();
        return;
    case PollZ:
        if (queueRead(Ptx::DevZ, Ptx::IdxPosition))
            startup.interfaceSubState = PollZWait;
        return;
    case PollZWait:
        if (ring.cmdDone(startup.stateCmdIndex))
            startCycle();
        return;
    default:
        startup.interfaceSubState = PollStart;
        return;
    }
}
