// MotionProbe: a KelInterface whose positions, modes, settings and command ring tests can
// reach, with the queued commands rendered as "dev,cmd,index,data" texts.
#pragma once

#include "controller/kelinterface.h"
#include "support/commandring.h"

#include <QStringList>

class MotionProbe : public KelInterface
{
public:
    explicit MotionProbe(const QString &addr = QStringLiteral("192.168.1.10"))
        : KelInterface(addr)
    {
    }

    using KelInterface::AlnPoint1x;
    using KelInterface::AlnPoint1y;
    using KelInterface::AlnPoint2x;
    using KelInterface::AlnPoint2y;
    using KelInterface::addCommand;
    using KelInterface::cmdBufHead;
    using KelInterface::cmdBufTail;
    using KelInterface::commandBuffer;
    using KelInterface::defxincr;
    using KelInterface::defyincr;
    using KelInterface::defzincr;
    using KelInterface::doStageCenter;
    using KelInterface::fw1CurPos;
    using KelInterface::fw1NumPos;
    using KelInterface::fw2CurPos;
    using KelInterface::fw2NumPos;
    using KelInterface::fxpos;
    using KelInterface::fypos;
    using KelInterface::fzpos;
    using KelInterface::ipAddr;
    using KelInterface::loadptX;
    using KelInterface::loadptY;
    using KelInterface::loadptZ;
    using KelInterface::micronsPerStepZ;
    using KelInterface::modulespresent;
    using KelInterface::relx;
    using KelInterface::rely;
    using KelInterface::stepsPerMMxy;
    using KelInterface::updatePosition;
    using KelInterface::xincr;
    using KelInterface::xpos;
    using KelInterface::yincr;
    using KelInterface::ypos;
    using KelInterface::zincr;
    using KelInterface::zpos;

    // Puts the stage at raw step positions and runs the position update, as a reply would.
    void setStage(long x, long y, long z = 0)
    {
        xpos = x;
        ypos = y;
        zpos = z;
        updatePosition();
    }

    // Every command between tail and head, oldest first.
    QStringList queued() const { return queuedCommandTexts(commandBuffer, cmdBufTail, cmdBufHead); }

    // True when no queued command waits for a reply.
    bool noneAwaitsReply() const
    {
        for (unsigned int i = cmdBufTail; i != cmdBufHead; i = (i + 1) % Ptx::CmdBufSize)
            if (commandBuffer[i].waitforcompl)
                return false;
        return true;
    }
};
