// CommandRing: the queue of controller commands, from the caller's slot to the reply awaited.
#pragma once

#include "controller/protocol.h"

#include <QString>
#include <QStringList>

// One queued controller command.
struct cmdBufferStruct {
    unsigned int dev = 0;
    unsigned int cmd = 0;
    unsigned int index = 0;
    long data = 0;
    bool ret = false;
    long *retValPtr = nullptr;
    long retVal = 0;
    bool done = true;
    bool waitforcompl = false;
    bool error = false;
    bool wrapper = false;
    QString wcmd;
};

// The ring holds the commands from the caller's addCommand() until the command step has sent
// them and, for a command with a reply, the reply has come or its time has run out. It knows
// no socket: the command step in the interface sends the entry at the tail.
class CommandRing
{
public:
    // The command step's states.
    enum StepState : unsigned int { CmdIdle = 0, CmdSend = 1, CmdAwait = 2 };
    // What add() returns when nothing was queued.
    static constexpr int RingFull = -2;
    static constexpr int SlotInUse = -3;

    // Queues a command; returns its slot, or RingFull / SlotInUse.
    int add(uint dev, uint cmd, uint index, long data, bool ret, long *val);
    int addWrapper(uint dev, const QString &text, bool ret);
    // Done/error of an entry; an index that names no entry counts as done.
    bool cmdDone(int index) const;
    bool cmdError(int index) const;
    // Withdraws one entry not yet sent; false when it was sent (or is on its way) already.
    bool withdraw(int index);
    // Withdraws the entry awaiting its reply and every entry not yet sent: each is done with
    // its error flag set, and the ring is empty.
    void withdrawPending();
    // Passes over entries withdrawn before their turn; true when an entry waits at the tail.
    bool skipWithdrawn();
    void advanceTail();
    // Forgets every entry, as a controller not yet ready never saw them: slots start again at 0.
    void clear();
    bool isEmpty() const { return cmdBufHead == cmdBufTail; }
    bool awaitingReply() const { return cmdBufState == CmdAwait; }
    // Entries from tail to head, oldest first, as "dev,cmd,index,data".
    QStringList pendingTexts() const;
    static unsigned int nextSlot(unsigned int slot);

    cmdBufferStruct commandBuffer[Ptx::CmdBufSize];
    unsigned int cmdBufHead = 0;
    unsigned int cmdBufTail = 0;
    unsigned int cmdBufState = CmdIdle;
    bool waitforresp = false;
    int waitForRespTimer = 0;
    bool longWaitForResp = false;
};
