// A panel link and the simulated controller in one process, stepped tick by tick.
#pragma once

#include "controller/kelinterface.h"
#include "simulator/simulator.h"
#include "support/diagcapture.h"
#include "support/stepping.h"

#include <QStringList>

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
               && Stepping::waitUntil([this] { return kel.receiveState() == KelInterface::ReceiveState::RxHunt; });
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
                Stepping::waitUntil([&] { return sim.total() > received; }, TrafficWaitMs);
            Stepping::pump();
            if (kel.awaitingReply() && sim.repliesSent() > replies)
                Stepping::waitUntil([this] { return !kel.awaitingReply(); }, TrafficWaitMs);
            sim.advance(hardwareMsPerTick);
            Stepping::pump();
        }
    }

    bool tickUntil(const std::function<bool()> &condition, int maxTicks)
    {
        return Stepping::stepUntil(condition, maxTicks, [this] { tick(); });
    }

    // Ticks through the start-up and the system check into normal operation.
    bool startUp()
    {
        return connectAndLogIn()
            && tickUntil([this] { return kel.currentInterfaceState() == KelInterface::InterfaceState::INT_NORMAL; }, 3000);
    }

    // A packet or reply due within a tick comes at once; this is a bound for when it does not.
    static constexpr int TrafficWaitMs = 2000;
    PtxSim::Simulator sim;
    KelInterface kel{QStringLiteral("127.0.0.1:1")};
    QStringList display;
    qint64 hardwareMsPerTick = Ptx::TickMs;
};
