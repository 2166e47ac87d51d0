// PanelProbe: a KelInterface whose connection, module, wheel and recipe state the main
// screen's tests set directly, with the queued commands rendered as "dev,cmd,index,data".
#pragma once

#include "controller/kelinterface.h"
#include "support/commandring.h"

#include <QStringList>

#include <initializer_list>

class PanelProbe : public KelInterface
{
public:
    explicit PanelProbe(const QString &addr = QStringLiteral("192.168.1.10"))
        : KelInterface(addr)
    {
    }

    using KelInterface::cmdBufHead;
    using KelInterface::cmdBufTail;
    using KelInterface::commandBuffer;
    using KelInterface::connected;
    using KelInterface::fw1NumPos;
    using KelInterface::fw2NumPos;
    using KelInterface::fxpos;
    using KelInterface::fypos;
    using KelInterface::inRelative;
    using KelInterface::inSkew;
    using KelInterface::loadptX;
    using KelInterface::loadptY;
    using KelInterface::loadptZ;
    using KelInterface::AlnPoint1x;
    using KelInterface::AlnPoint1y;
    using KelInterface::AlnPoint2x;
    using KelInterface::AlnPoint2y;
    using KelInterface::doStageCenterTemp;
    using KelInterface::nextInterfaceState;
    using KelInterface::xpos;
    using KelInterface::ypos;
    using KelInterface::zpos;
    using KelInterface::modulespresent;
    using KelInterface::recipeInDelay;
    using KelInterface::recipePaused;
    using KelInterface::recipeRunning;
    using KelInterface::stepsPerMMxy;

    void setModules(std::initializer_list<unsigned int> modules)
    {
        modulespresent = 0;
        for (unsigned int m : modules)
            modulespresent |= 1u << m;
    }

    // Every command between tail and head, oldest first.
    QStringList queued() const { return queuedCommandTexts(commandBuffer, cmdBufTail, cmdBufHead); }

    // Forgets what was queued so far, as if it had all been sent.
    void drop()
    {
        for (unsigned int i = cmdBufTail; i != cmdBufHead; i = (i + 1) % Ptx::CmdBufSize)
            commandBuffer[i].done = true;
        cmdBufTail = cmdBufHead;
    }
};
