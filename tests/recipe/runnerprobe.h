// Test access to the recipe runner's members of KelInterface, and run-list entry builders.
#pragma once

#include "controller/kelinterface.h"

#include <QList>
#include <QString>

#include <tuple>

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
    using KelInterface::fwShut1Pos;
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
    using KelInterface::teachAlign;
    using KelInterface::recipeState;
    using KelInterface::recipeIndex;
    using KelInterface::curPoint;
    using KelInterface::recipeRunning;
    using KelInterface::recipePaused;
    using KelInterface::recipeInDelay;
    using KelInterface::recipeDelay;
    using KelInterface::contMacro;
    using KelInterface::wexp1;
    using KelInterface::onSocketLost;
    using KelInterface::linkUp;

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
    std::tie(e.x, e.y, e.delay, e.speedxy, e.speedz) = std::make_tuple(x, y, delayMs, speed, 25000.0);
    return e;
}

inline recipePointStruct zEntry(double z, double delayMs, double speedz = 25000.0)
{
    recipePointStruct e;
    std::tie(e.z, e.zmove, e.delay, e.speedxy, e.speedz) = std::make_tuple(z, true, delayMs, 5.0, speedz);
    return e;
}

inline recipePointStruct filterEntry(int f1, int f2, bool f1move, bool f2move, quint32 shopt,
                                     qint32 fdelay = 0)
{
    recipePointStruct e;
    std::tie(e.filtmove, e.f1pos, e.f2pos, e.f1move, e.f2move, e.shopt, e.fdelay) =
        std::make_tuple(true, f1, f2, f1move, f2move, shopt, fdelay);
    return e;
}
