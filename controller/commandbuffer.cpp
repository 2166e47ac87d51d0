// KelInterface: the command ring, the command step, the work tick and the status getters.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"

namespace {

// Command step states.
enum CmdState : unsigned int { CmdIdle = 0, CmdSend = 1, CmdAwait = 2 };

constexpr int RingFull = -2;
constexpr int SlotInUse = -3;
constexpr unsigned int MaskBits = 32;

unsigned int nextSlot(unsigned int slot)
{
    return slot + 1 >= static_cast<unsigned int>(Ptx::CmdBufSize) ? 0 : slot + 1;
}

} // namespace

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret, long *val)
{
    const unsigned int next = nextSlot(cmdBufHead);
    if (next == cmdBufTail)
        return RingFull;
    if (!commandBuffer[next].done)
        return SlotInUse;
    cmdBufferStruct &entry = commandBuffer[cmdBufHead];
    entry.dev = dev;
    entry.cmd = cmd;
    entry.index = index;
    entry.data = data;
    entry.retValPtr = val;
    entry.waitforcompl = ret;
    entry.done = false;
    entry.error = false;
    entry.wrapper = false;
    entry.wcmd.clear();
    // A speed set by anyone (the speed button, the start-up, the runner itself) or a text
    // command (the system check's speeds) may change what the runner last set.
    if (cmd == Ptx::CmdText)
        runSpeeds.forgetAll();
    else if (cmd == Ptx::CmdWrite && index == Ptx::IdxSpeed)
        runSpeeds.forget(dev);
    const int filled = static_cast<int>(cmdBufHead);
    cmdBufHead = next;
    return filled;
}

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret)
{
    return addCommand(dev, cmd, index, data, ret, nullptr);
}

int KelInterface::addWrapperCommand(uint dev, QString cmd, bool ret)
{
    const int filled = addCommand(dev, Ptx::CmdText, 0, 0, ret, nullptr);
    if (filled >= 0) {
        commandBuffer[filled].wrapper = true;
        commandBuffer[filled].wcmd = cmd;
    }
    return filled;
}

bool KelInterface::cmdDone(int index) const
{
    if (index < 0 || index >= Ptx::CmdBufSize)
        return true;
    return commandBuffer[index].done;
}

bool KelInterface::cmdError(int index) const
{
    if (index < 0 || index >= Ptx::CmdBufSize)
        return false;
    return commandBuffer[index].error;
}

void KelInterface::advanceTail()
{
    cmdBufTail = nextSlot(cmdBufTail);
    cmdBufState = CmdIdle;
}

bool KelInterface::awaitingReply() const
{
    return cmdBufState == CmdAwait;
}

void KelInterface::processCommand()
{
    if (waitforresp)
        ++waitForRespTimer;

    switch (cmdBufState) {
    case CmdIdle:
        // Entries withdrawn before their turn are passed over without a packet.
        while (cmdBufHead != cmdBufTail && commandBuffer[cmdBufTail].done)
            cmdBufTail = nextSlot(cmdBufTail);
        if (cmdBufHead == cmdBufTail)
            return;
        cmdBufState = CmdSend;
        [[fallthrough]];
    case CmdSend: {
        cmdBufferStruct &entry = commandBuffer[cmdBufTail];
        if (entry.wrapper) {
            sendWrapPacket(entry.dev, entry.wcmd);
        } else {
            if (entry.cmd == Ptx::CmdRead && entry.index == Ptx::IdxSpeed)
                longWaitForResp = true;
            sendPacket(entry.dev, entry.cmd, entry.index, Ptx::MaxCommandData, entry.data);
        }
        if (entry.waitforcompl) {
            waitforresp = true;
            waitForRespTimer = 0;
            cmdBufState = CmdAwait;
        } else {
            waitforresp = false;
            entry.done = true;
            entry.error = false;
            advanceTail();
        }
        return;
    }
    case CmdAwait: {
        cmdBufferStruct &entry = commandBuffer[cmdBufTail];
        const int limit = longWaitForResp ? Ptx::LongReplyTimeoutTicks : Ptx::ReplyTimeoutTicks;
        // An answered entry is never timed out: the step that a reply triggers at once also
        // counts, and may be the one that reaches the limit.
        if (entry.done) {
            advanceTail();
        } else if (waitForRespTimer > limit) {
            Ptx::diag(QString::asprintf("COMM ERROR %d,%d,%d,%ld", entry.dev, entry.cmd,
                                        entry.index, entry.data));
            waitforresp = false;
            longWaitForResp = false;
            entry.done = true;
            entry.error = true;
            // A lost reply may have been a lost command: no speed is taken as in force any more.
            runSpeeds.forgetAll();
            advanceTail();
        }
        return;
    }
    default:
        cmdBufState = CmdIdle;
        return;
    }
}

void KelInterface::withdrawPending()
{
    // Speeds withdrawn before they were sent are not in force.
    runSpeeds.forgetAll();
    for (unsigned int slot = cmdBufTail; slot != cmdBufHead; slot = nextSlot(slot)) {
        commandBuffer[slot].done = true;
        commandBuffer[slot].error = true;
    }
    cmdBufTail = cmdBufHead;
    cmdBufState = CmdIdle;
    waitforresp = false;
}

bool KelInterface::withdrawCommand(int index)
{
    if (index < 0 || index >= Ptx::CmdBufSize || commandBuffer[index].done)
        return false;
    // The entry at the tail may be on its way already; only one behind it is surely unsent.
    if (static_cast<unsigned int>(index) == cmdBufTail && cmdBufState != CmdIdle)
        return false;
    commandBuffer[index].done = true;
    commandBuffer[index].error = true;
    return true;
}

bool KelInterface::isCommandDone(int index)
{
    return cmdDone(index);
}

void KelInterface::haltAll()
{
    // The halt goes out before anything already queued: the entry awaiting its reply and
    // every entry not yet sent are withdrawn, as if they had timed out.
    withdrawPending();
    addCommand(Ptx::DevAll, Ptx::CmdHalt, 0, 0, false);
    // The stop that follows a halt ends the run as halted.
    if (recipeRunning)
        runEnding = Ptx::RunEnding::Halt;
}

void KelInterface::onTimer()
{
    if (inTick)
        return;
    // Until the log-in has finished the tick only watches the connection limit. It is kept
    // on a monotonic clock, so ticks that a busy event loop delays do not stretch it.
    if (connecting) {
        if (connectDeadline.hasExpired()) {
            Ptx::diag(QStringLiteral("Connection not made within %1 ms").arg(Ptx::ConnectTimeoutMs));
            connectFailed();
        }
        return;
    }
    inTick = true;
    const unsigned int generation = linkGeneration;
    // With nothing to send at the start of the tick, a command queued by this tick's steps
    // goes out in this tick: still one packet per tick, and none waits a tick for nothing.
    const bool nothingToSend = cmdBufState == CmdIdle && cmdBufHead == cmdBufTail;
    processCommand();
    // A slot reached from a step may have closed the link; the rest of the tick is moot.
    if (generation == linkGeneration)
        processState();
    if (generation == linkGeneration)
        runRecipe();
    // While a run goes, the status read of the tick is chosen once the runner has queued
    // its commands, so that they never wait behind it.
    if (generation == linkGeneration)
        pollForRun();
    if (generation == linkGeneration && nothingToSend)
        processCommand();
    inTick = false;
}

bool KelInterface::waitForDone()
{
    return !waitforresp;
}

bool KelInterface::getModPresent(uint module)
{
    return module < MaskBits && (modulespresent & (1u << module)) != 0;
}

bool KelInterface::getModBusy(uint module)
{
    return module < MaskBits && (mbusy & (1u << module)) != 0;
}

void KelInterface::setModPresent(uint module, bool state)
{
    if (module < MaskBits) {
        if (state)
            modulespresent |= 1u << module;
        else
            modulespresent &= ~(1u << module);
    }
    emit modulesPresentChanged();
}
