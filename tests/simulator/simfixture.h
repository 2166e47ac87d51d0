// A simulator on an ephemeral loopback port with one logged-in raw client and a manual clock.
#pragma once

#include "rawclient.h"
#include "simulator/simulator.h"

#include <memory>

namespace SimTest {

struct Rig {
    explicit Rig(const PtxSim::Options &options = PtxSim::Options())
        : sim(std::make_unique<PtxSim::Simulator>(options))
    {
        sim->setManualClock(true);
        ok = sim->listen() && client.connectTo(sim->serverPort()) && client.login();
    }

    std::unique_ptr<PtxSim::Simulator> sim;
    RawClient client;
    bool ok = false;
};

// True when nothing arrives within `ms` (the simulator never answers, for example).
inline bool staysQuiet(RawClient &client, int ms = 150)
{
    QTest::qWait(ms);
    return client.rx.isEmpty();
}

} // namespace SimTest
