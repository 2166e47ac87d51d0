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

    using KelInterface::commandBuffer, KelInterface::connectDeadline, KelInterface::connected,
        KelInterface::doStageCenterTemp,
        KelInterface::fw1NumPos, KelInterface::fw2NumPos, KelInterface::fxpos, KelInterface::fypos,
        KelInterface::fzpos, KelInterface::modulespresent, KelInterface::nextInterfaceState,
        KelInterface::onTimer, KelInterface::recipeInDelay, KelInterface::recipePaused,
        KelInterface::recipeRunning, KelInterface::stepsPerMMxy, KelInterface::timer,
        KelInterface::xpos, KelInterface::ypos, KelInterface::zpos;

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
