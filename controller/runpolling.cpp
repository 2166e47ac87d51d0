// KelInterface: the status reads while a recipe runs. What the run waits on (the busy mask
// during a move, the exposing shutter during an exposure) is read every other tick; the reads
// in between go round the busy mask, wheels, shutters and positions as the cycle does.
#include "controller/kelinterface.h"

#include "recipe/runnerentrykind.h"

namespace {

// The status reads in the order of the polling cycle.
enum RunRead : int {
    ReadBusy,
    ReadWheel1,
    ReadWheel2,
    ReadShutter1,
    ReadShutter2,
    ReadShutter3,
    ReadX,
    ReadY,
    ReadZ,
    RunReadCount,
    ReadNothing = -1
};

struct ReadCommand {
    unsigned int dev;
    unsigned int index;
    long data;
};

constexpr long shutterWord(int shutter)
{
    return (Ptx::ShutterBase + shutter) * Ptx::HighWordScale;
}

constexpr ReadCommand ReadCommands[RunReadCount] = {
    {Ptx::DevController, Ptx::IdxBusyMask, 0},
    {Ptx::DevWheel1, Ptx::IdxPosition, 0},
    {Ptx::DevWheel2, Ptx::IdxPosition, 0},
    {Ptx::DevWheel1, Ptx::IdxShutter, shutterWord(1)},
    {Ptx::DevWheel1, Ptx::IdxShutter, shutterWord(2)},
    {Ptx::DevWheel1, Ptx::IdxShutter, shutterWord(3)},
    {Ptx::DevX, Ptx::IdxPosition, 0},
    {Ptx::DevY, Ptx::IdxPosition, 0},
    {Ptx::DevZ, Ptx::IdxPosition, 0},
};

int waitRead(Ptx::RunWait wait)
{
    switch (wait) {
    case Ptx::RunWait::Motion:
        return ReadBusy;
    case Ptx::RunWait::Shutter1:
        return ReadShutter1;
    case Ptx::RunWait::Shutter2:
        return ReadShutter2;
    case Ptx::RunWait::Shutter3:
        return ReadShutter3;
    case Ptx::RunWait::Nothing:
        break;
    }
    return ReadNothing;
}

} // namespace

bool KelInterface::runPollingActive() const
{
    return runner.recipeRunning && startup.interfaceState == StartupState::INT_NORMAL;
}

// One read, queued only when the ring is empty, so that the runner's own commands never wait
// behind more than the read already on its way. Called after the runner's step of the tick.
void KelInterface::pollForRun()
{
    if (!runPollingActive() || !ring.isEmpty() || ring.cmdBufState != CommandRing::CmdIdle)
        return;
    // The busy mask and the wheel 2 position come from the controller and module 27; the
    // shutters share module 17 with wheel 1.
    auto present = [this](int read) {
        const unsigned int dev = ReadCommands[read].dev;
        return dev == Ptx::DevController || getModPresent(dev);
    };
    const int wait = waitRead(recipeWaitsOn());
    int read = wait;
    if (wait == ReadNothing || runner.runPollServedWait) {
        for (int n = 0; n < RunReadCount; ++n) {
            const int candidate = (runner.runPollNext + n) % RunReadCount;
            if (candidate != wait && present(candidate)) {
                read = candidate;
                break;
            }
        }
    }
    if (read == ReadNothing)
        return;
    const ReadCommand &c = ReadCommands[read];
    if (addCommand(c.dev, Ptx::CmdRead, c.index, c.data, true) < 0)
        return;
    runner.runPollServedWait = read == wait;
    if (!runner.runPollServedWait)
        runner.runPollNext = (read + 1) % RunReadCount;
}
