// Test access to the recipe runner's members of KelInterface, and run-list entry builders.
#pragma once

#include "controller/kelinterface.h"

#include <QList>
#include <QString>

class RunnerProbe : public KelInterface
{
public:
    RunnerProbe() : KelInterface(QString()) {}

    using KelInterface::onTimer;
    using KelInterface::timer;
    using KelInterface::interfaceState;
    using KelInterface::commandBuffer;
    using KelInterface::cmdBufHead;
    using KelInterface::cmdBufTail;
    using KelInterface::cmdBufState;
    using KelInterface::modulespresent;
    using KelInterface::mbusy;
    using KelInterface::xpos;
    using KelInterface::ypos;
    using KelInterface::fxpos;
    using KelInterface::fypos;
    using KelInterface::fwShut1Pos;
    using KelInterface::fwShut2Pos;
    using KelInterface::fwShut3Pos;
    using KelInterface::inSkew;
    using KelInterface::AlnPoint1x;
    using KelInterface::AlnPoint1y;
    using KelInterface::AlnPoint2x;
    using KelInterface::AlnPoint2y;
    using KelInterface::xincr;
    using KelInterface::yincr;
    using KelInterface::zincr;
    using KelInterface::defxincr;
    using KelInterface::defyincr;
    using KelInterface::defzincr;
    using KelInterface::speedXY;
    using KelInterface::speedZ;
    using KelInterface::stepsPerMMxy;
    using KelInterface::micronsPerStepZ;
    using KelInterface::loadptEnXY;
    using KelInterface::loadptEnZ;
    using KelInterface::loadptX;
    using KelInterface::loadptY;
    using KelInterface::loadptZ;
    using KelInterface::pointList;
    using KelInterface::numPointsDefined;
    using KelInterface::teachAlign;
    using KelInterface::recipeState;
    using KelInterface::recipeIndex;
    using KelInterface::curPoint;
    using KelInterface::recipeRunning;
    using KelInterface::recipePaused;
    using KelInterface::recipeInDelay;
    using KelInterface::recipeDelay;
    using KelInterface::contMacro;
    using KelInterface::firstmove;
    using KelInterface::delaycnt;
    using KelInterface::wexp1;
    using KelInterface::wexp2;
    using KelInterface::wexp3;
    using KelInterface::prevrcpstate;

    void setEntries(const QList<recipePointStruct> &entries)
    {
        numPointsDefined = static_cast<int>(entries.size());
        for (int i = 0; i < entries.size(); ++i)
            pointList[i] = entries.at(i);
    }
};

inline recipePointStruct xyEntry(double x, double y, double delayMs, double speed = 5.0)
{
    recipePointStruct e;
    e.x = x;
    e.y = y;
    e.delay = delayMs;
    e.speedxy = speed;
    e.speedz = 25000.0;
    return e;
}

inline recipePointStruct zEntry(double z, double delayMs, double speedz = 25000.0)
{
    recipePointStruct e;
    e.z = z;
    e.zmove = true;
    e.delay = delayMs;
    e.speedxy = 5.0;
    e.speedz = speedz;
    return e;
}

inline recipePointStruct filterEntry(int f1, int f2, bool f1move, bool f2move, quint32 shopt,
                                     qint32 fdelay = 0)
{
    recipePointStruct e;
    e.filtmove = true;
    e.f1pos = f1;
    e.f2pos = f2;
    e.f1move = f1move;
    e.f2move = f2move;
    e.shopt = shopt;
    e.fdelay = fdelay;
    return e;
}
