// KelInterface: queuing commands, the command step, the work tick and the status getters.
#include "controller/kelinterface.h"

#include "controller/diagnostics.h"

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret, long *val)
{
    const int filled = ring.add(dev, cmd, index, data, ret, val);
    if (filled < 0)
        return filled;
    // A speed set by anyone (the speed button, the start-up, the runner itself) or a text
    // command (the system check's speeds) may change what the runner last set.
    if (cmd == Ptx::CmdText)
        runner.runSpeeds.forgetAll();
    else if (cmd == Ptx::CmdWrite && index == Ptx::IdxSpeed)
        runner.runSpeeds.forget(dev);
    return filled;
}

int KelInterface::addCommand(uint dev, uint cmd, uint index, long data, bool ret)
{
    return addCommand(dev, cmd, index, data, ret, nullptr);
}

int KelInterface::addWrapperCommand(uint dev, QString cmd, bool ret)
{
    const int filled = ring.addWrapper(dev, cmd, ret);
    // A text command (the system check's speeds) may change what the runner last set.
    if (filled >= 0)
        runner.runSpeeds.forgetAll();
    return filled;
}

bool KelInterface::awaitingReply() const
{
    return ring.awaitingReply();
}

void KelInterface::processCommand()
{
    if (ring.waitforresp)
        ++ring.waitForRespTimer;

    switch (ring.cmdBufState) {
    case CommandRing::CmdIdle:
        // Entries withdrawn before their turn are passed over without a packet.
        if (!ring.skipWithdrawn())
            return;
        ring.cmdBufState = CommandRing::CmdSend;
        [[fallthrough]];
    case CommandRing::CmdSend: {
        cmdBufferStruct &entry = ring.commandBuffer[ring.cmdBufTail];
        if (entry.wrapper) {
            sendWrapPacket(entry.dev, entry.wcmd);
        } else {
            if (entry.cmd == Ptx::CmdRead && entry.index == Ptx::IdxSpeed)
                ring.longWaitForResp = true;
            sendPacket(entry.dev, entry.cmd, entry.index, Ptx::MaxCommandData, entry.data);
        }
        if (entry.waitforcompl) {
            ring.waitforresp = true;
            ring.waitForRespTimer = 0;
            ring.cmdBufState = CommandRing::CmdAwait;
        } else {
            ring.waitforresp = false;
            entry.done = true;
            entry.error = false;
            ring.advanceTail();
        }
        return;
    }
    case CommandRing::CmdAwait: {
        cmdBufferStruct &entry = ring.commandBuffer[ring.cmdBufTail];
        const int limit = ring.longWaitForResp ? Ptx::LongReplyTimeoutTicks : Ptx::ReplyTimeoutTicks;
        // An answered entry is never timed out: the step that a reply triggers at once also
        // counts, and may be the one that reaches the limit.
        if (entry.done) {
            ring.advanceTail();
        } else if (ring.waitForRespTimer > limit) {
            Ptx::diag(QString::asprintf("COMM ERROR %d,%d,%d,%ld", entry.dev, entry.cmd,
                                        entry.index, entry.data));
            ring.waitforresp = false;
            ring.longWaitForResp = false;
            entry.done = true;
            entry.error = true;
            // A lost reply may have been a lost command: no speed is taken as in force any more.
            runner.runSpeeds.forgetAll();
            ring.advanceTail();
        }
        return;
    }
    default:
        ring.cmdBufState = CommandRing::CmdIdle;
        return;
    }
}

void KelInterface::withdrawPending()
{
    // Speeds withdrawn before they were sent are not in force.
    runner.runSpeeds.forgetAll();
    ring.withdrawPending();
}

bool KelInterface::withdrawCommand(int index)
{
    return ring.withdraw(index);
}

bool KelInterface::isCommandDone(int index)
{
    return ring.cmdDone(index);
}

void KelInterface::haltAll()
{
    // The halt goes out before anything already queued: the entry awaiting its reply and
    // every entry not yet sent are withdrawn, as if they had timed out.
    withdrawPending();
    addCommand(Ptx::DevAll, Ptx::CmdHalt, 0, 0, false);
    // The stop that follows a halt ends the run as halted.
    if (runner.recipeRunning)
        runner.runEnding = Ptx::RunEnding::Halt;
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
    const bool nothingToSend = ring.cmdBufState == CommandRing::CmdIdle && ring.isEmpty();
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
    return !ring.waitforresp;
}

bool KelInterface::getModPresent(uint module)
{
    return status.modPresent(module);
}

bool KelInterface::getModBusy(uint module)
{
    return status.modBusy(module);
}

void KelInterface::setModPresent(uint module, bool state)
{
    status.setModPresent(module, state);
    emit modulesPresentChanged();
}
