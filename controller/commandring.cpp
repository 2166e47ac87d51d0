#include "controller/commandring.h"

unsigned int CommandRing::nextSlot(unsigned int slot)
{
    return slot + 1 >= static_cast<unsigned int>(Ptx::CmdBufSize) ? 0 : slot + 1;
}

int CommandRing::add(uint dev, uint cmd, uint index, long data, bool ret, long *val)
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
    const int filled = static_cast<int>(cmdBufHead);
    cmdBufHead = next;
    return filled;
}

int CommandRing::addWrapper(uint dev, const QString &text, bool ret)
{
    const int filled = add(dev, Ptx::CmdText, 0, 0, ret, nullptr);
    if (filled >= 0) {
        commandBuffer[filled].wrapper = true;
        commandBuffer[filled].wcmd = text;
    }
    return filled;
}

bool CommandRing::cmdDone(int index) const
{
    if (index < 0 || index >= Ptx::CmdBufSize)
        return true;
    return commandBuffer[index].done;
}

bool CommandRing::cmdError(int index) const
{
    if (index < 0 || index >= Ptx::CmdBufSize)
        return false;
    return commandBuffer[index].error;
}

bool CommandRing::withdraw(int index)
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

void CommandRing::withdrawPending()
{
    for (unsigned int slot = cmdBufTail; slot != cmdBufHead; slot = nextSlot(slot)) {
        commandBuffer[slot].done = true;
        commandBuffer[slot].error = true;
    }
    cmdBufTail = cmdBufHead;
    cmdBufState = CmdIdle;
    waitforresp = false;
}

bool CommandRing::skipWithdrawn()
{
    while (cmdBufHead != cmdBufTail && commandBuffer[cmdBufTail].done)
        cmdBufTail = nextSlot(cmdBufTail);
    return cmdBufHead != cmdBufTail;
}

void CommandRing::advanceTail()
{
    cmdBufTail = nextSlot(cmdBufTail);
    cmdBufState = CmdIdle;
}

QStringList CommandRing::pendingTexts() const
{
    QStringList out;
    for (unsigned int i = cmdBufTail; i != cmdBufHead; i = nextSlot(i)) {
        const cmdBufferStruct &e = commandBuffer[i];
        out << QStringLiteral("%1,%2,%3,%4").arg(e.dev).arg(e.cmd).arg(e.index).arg(e.data);
    }
    return out;
}

void CommandRing::clear()
{
    for (cmdBufferStruct &entry : commandBuffer)
        entry = cmdBufferStruct();
    cmdBufHead = 0;
    cmdBufTail = 0;
    cmdBufState = CmdIdle;
}
