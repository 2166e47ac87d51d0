// A panel link and the simulated controller in one process, stepped tick by tick.
#pragma once

#include "linkprobe.h"
#include "simulator/simulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Holds the simulator and a probe side by side and steps them together.
class SimRig
{
public:
    explicit SimRig(const PtxSim::Options &options = PtxSim::Options()) : sim(options)
    {
        sim.setManualClock(true);
        sim.listen();
        QObject::connect(&probe, &KelInterface::addDispLine, [this](const QString &line) { display << line; });
    }

    // Connects and waits for the log-in; the tick is then stepped by hand.
    bool connectAndLogIn()
    {
        const bool ok = probe.openConnection(sim.clientAddress())
                        && waitFor([this] { return probe.connectionState == KelInterface::RxHunt; });
        probe.timer->stop();
        return ok;
    }

    void pump()
    {
        for (int i = 0; i < PumpPasses; ++i)
            QCoreApplication::processEvents();
    }

    // One work tick. A packet it sends is waited for until the controller has it, and an
    // answer the controller gives to an awaited command until the panel has taken it; only
    // then does the controller's hardware move on by the tick's time.
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            const int received = sim.total();
            const int replies = sim.repliesSent();
            probe.onTimer();
            if (probe.bytesToWrite() > 0) {
                waitFor([&] { return sim.total() > received; }, TrafficWaitMs);
                if (probe.cmdBufState == 2 && sim.repliesSent() > replies)
                    waitFor([&] { return probe.cmdBufState != 2; }, TrafficWaitMs);
            }
            pump();
            sim.advance(hardwareMsPerTick);
            pump();
        }
    }

    bool tickUntil(const std::function<bool()> &condition, int maxTicks)
    {
        for (int i = 0; i < maxTicks && !condition(); ++i)
            tick();
        return condition();
    }

    // Waits on the wall clock for socket traffic, sleeping in the event loop until something
    // happens (a short wake-up timer bounds each sleep).
    static bool waitFor(const std::function<bool()> &condition, int timeoutMs = 5000)
    {
        QElapsedTimer clock;
        clock.start();
        QTimer wake;
        wake.start(1);
        while (!condition() && clock.elapsed() <= timeoutMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return condition();
    }

    // Ticks through the start-up and the system check into normal operation.
    bool startUp()
    {
        return connectAndLogIn()
            && tickUntil([this] { return probe.interfaceState == KelInterface::INT_NORMAL; }, 3000);
    }

    static constexpr int PumpPasses = 4;
    static constexpr int TrafficWaitMs = 2000;
    PtxSim::Simulator sim;
    LinkProbe probe;
    QStringList display;
    qint64 hardwareMsPerTick = Ptx::TickMs;
};
