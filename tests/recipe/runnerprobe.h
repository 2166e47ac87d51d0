// Test access to the recipe runner's members of KelInterface, and run-list entry builders.
#pragma once

#include "controller/kelinterface.h"

#include <tuple>

class RunnerProbe : public KelInterface
{
public:
    RunnerProbe() : KelInterface(QString()) {}

    using KelInterface::onTimer, KelInterface::timer, KelInterface::interfaceState, KelInterface::commandBuffer,
        KelInterface::cmdBufHead, KelInterface::cmdBufTail, KelInterface::cmdBufState, KelInterface::modulespresent,
        KelInterface::mbusy, KelInterface::xpos, KelInterface::ypos, KelInterface::AlnPoint1x,
        KelInterface::AlnPoint2x, KelInterface::xincr, KelInterface::loadptEnXY, KelInterface::loadptEnZ,
        KelInterface::loadptX, KelInterface::loadptY, KelInterface::loadptZ, KelInterface::teachAlign,
        KelInterface::recipeState, KelInterface::recipeIndex, KelInterface::curPoint, KelInterface::recipeRunning,
        KelInterface::recipePaused, KelInterface::recipeInDelay, KelInterface::recipeDelay,
        KelInterface::onSocketLost, KelInterface::linkUp, KelInterface::packetSeen, KelInterface::numPointsDefined,
        KelInterface::restoreList, KelInterface::restoreIndex;

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
