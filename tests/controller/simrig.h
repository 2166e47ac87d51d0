// A panel link and the simulated controller in one process, stepped tick by tick.
#pragma once

#include "controller/kelinterface.h"
#include "simulator/simulator.h"
#include "support/diagcapture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <functional>

// Holds the simulator and a panel link side by side and steps them together; the link's
// own tick is stopped.
class SimRig
{
public:
    explicit SimRig(const PtxSim::Options &options = PtxSim::Options()) : sim(options)
    {
        sim.setManualClock(true);
        sim.listen();
        kel.setTickPeriod(0);
        QObject::connect(&kel, &KelInterface::addDispLine, [this](const QString &line) { display << line; });
    }

    // Connects and waits for the log-in.
    bool connectAndLogIn()
    {
        return kel.openConnection(sim.clientAddress())
               && waitFor([this] { return kel.receiveState() == KelInterface::ReceiveState::RxHunt; });
    }

    // Lets the sockets of both sides move what they hold.
    static void pump()
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
            // A tick that does not wait for a reply sends what is queued, or what it queues
            // itself and awaits.
            const bool idle = !kel.awaitingReply();
            const bool queued = !kel.pendingCommands().isEmpty();
            kel.tick();
            if (idle && (queued || kel.awaitingReply()) && kel.receiveState() >= KelInterface::ReceiveState::RxHunt)
                waitFor([&] { return sim.total() > received; }, TrafficWaitMs);
            pump();
            if (kel.awaitingReply() && sim.repliesSent() > replies)
                waitFor([this] { return !kel.awaitingReply(); }, TrafficWaitMs);
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
            && tickUntil([this] { return kel.currentInterfaceState() == KelInterface::InterfaceState::INT_NORMAL; }, 3000);
    }

    static constexpr int PumpPasses = 4;
    static constexpr int TrafficWaitMs = 2000;
    PtxSim::Simulator sim;
    KelInterface kel{QStringLiteral("127.0.0.1:1")};
    QStringList display;
    qint64 hardwareMsPerTick = Ptx::TickMs;
};
