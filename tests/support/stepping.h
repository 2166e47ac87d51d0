// Stepping a panel beside the simulated controller on loopback: waiting for the sockets, and
// knowing whether the reply the panel awaits will come.
#pragma once

#include "controller/kelinterface.h"
#include "simulator/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace Stepping {
constexpr int TrafficWaitMs = 5000;
constexpr int PumpPasses = 4;

// Runs the event loop until the condition holds, sleeping until something happens. A 1 ms
// wake-up timer bounds each sleep, so that a panel ticking every millisecond keeps its pace
// (QTRY_* sleeps between its looks).
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = TrafficWaitMs)
{
    QElapsedTimer clock;
    clock.start();
    QTimer wake;
    wake.start(1);
    while (!condition() && clock.elapsed() <= timeoutMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

// Lets the sockets of both sides move what they hold.
inline void pump()
{
    for (int i = 0; i < PumpPasses; ++i)
        QCoreApplication::processEvents();
}

// Whether the panel awaits a reply that will come: the controller and its fitted modules
// answer, absent modules do not.
inline bool replyDue(const KelInterface &kel, const PtxSim::Simulator &sim)
{
    if (!kel.awaitingReply())
        return false;
    const int dev = kel.pendingCommands().value(0).section(QLatin1Char(','), 0, 0).toInt();
    return dev == Ptx::DevAll || dev == Ptx::DevController || sim.modulePresent(dev);
}

// Takes steps until the condition holds, at most maxSteps of them.
inline bool stepUntil(const std::function<bool()> &condition, int maxSteps, const std::function<void()> &step)
{
    for (int i = 0; i < maxSteps && !condition(); ++i)
        step();
    return condition();
}
} // namespace Stepping
