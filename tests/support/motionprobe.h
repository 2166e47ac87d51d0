// MotionProbe: a KelInterface whose positions, modes, settings and command ring tests can
// reach, with the queued commands rendered as "dev,cmd,index,data" texts.
#pragma once

#include "controller/kelinterface.h"
#include "support/commandring.h"

#include <QStringList>

class MotionProbe : public KelInterface
{
public:
    MotionProbe() : KelInterface(QStringLiteral("192.168.1.10")) {}

    using KelInterface::defxincr;
    using KelInterface::defyincr;
    using KelInterface::fxpos;
    using KelInterface::fypos;
    using KelInterface::xincr;
    using KelInterface::xpos;
    using KelInterface::yincr;
    using KelInterface::zincr;

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
