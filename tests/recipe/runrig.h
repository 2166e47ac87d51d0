// RunRig: a KelInterface and the simulated controller in one process for the recipe runner's
// tests, the work tick stepped by the test and the controller's hardware clock advanced by
// one tick a tick.
#pragma once

#include "controller/kelinterface.h"
#include "recipe/runnerstates.h"
#include "simulator/simulator.h"
#include "support/stepping.h"

#include <QStringList>
#include <memory>

class RunRig
{
public:
    static constexpr int ReplyWaitMs = 2000;
    static constexpr int SettleTicks = 100;

    RunRig()
    {
        kel.setTickPeriod(0);
        QObject::connect(&kel, &KelInterface::addDispLine, [this](const QString &line) {
            lines << line;
            lineTimes << (sim ? sim->hardwareTimeMs() : -1);
        });
    }

    // A controller just switched on (the one before is gone), the panel logged in to it and
    // through its start-up into normal operation; its counters and the display cleared.
    bool powerUp(const PtxSim::Options &options = PtxSim::Options())
    {
        kel.closeConnection();
        sim = std::make_unique<PtxSim::Simulator>(options);
        sim->setManualClock(true);
        const bool up = sim->listen() && kel.openConnection(sim->clientAddress())
                        && tickUntil([this] { return kel.currentInterfaceState() == KelInterface::InterfaceState::INT_NORMAL; });
        sim->resetCounters();
        lines.clear();
        lineTimes.clear();
        return up;
    }

    // Work ticks, the hardware clock moved on by hardwareMs each; the socket traffic is let
    // through until an awaited reply is in (one the controller will give: its modules
    // answer, the absent ones do not).
    void tick(int n = 1, qint64 hardwareMs = Ptx::TickMs)
    {
        for (int i = 0; i < n; ++i) {
            sim->advance(hardwareMs);
            kel.tick();
            QCoreApplication::processEvents();
            Stepping::waitUntil([this] { return !Stepping::replyDue(kel, *sim); }, ReplyWaitMs);
        }
    }

    bool tickUntil(const std::function<bool()> &done, int limit = 5000)
    {
        return Stepping::stepUntil(done, limit, [this] { tick(); });
    }

    // Compiles the recipe and starts it as START AT does.
    void begin(const QStringList &recipe, int entry = 1)
    {
        kel.setRecipe(recipe);
        kel.ScanRecipe();
        kel.initRecipe();
        kel.startRecipeAt(entry);
    }

    // begin(), then on to the prompt for the sample.
    bool start(const QStringList &recipe, int entry = 1)
    {
        begin(recipe, entry);
        return tickUntil([this] { return kel.operatorPrompt() == QLatin1String(Ptx::LoadSamplePrompt); });
    }

    // The commands the controller received, status reads left out, as "dev,cmd,index,value".
    QStringList commands() const
    {
        QStringList out;
        for (const PtxSim::Packet &p : sim->received()) {
            if (p.cmd != Ptx::CmdRead)
                out << QStringLiteral("%1,%2,%3,%4").arg(p.dev).arg(p.cmd).arg(p.index).arg(p.value());
        }
        return out;
    }

    // Ends the run and lets everything the panel has written reach the controller: a status
    // read queued last is answered only after all that came before it.
    void settle()
    {
        kel.stopRecipe();
        if (!kel.isConnected())
            return;
        const int read = kel.addCommand(Ptx::DevController, Ptx::CmdRead, Ptx::IdxBusyMask, 0, true);
        for (int i = 0; i < SettleTicks && !kel.isCommandDone(read); ++i)
            tick(1, 0);
    }

    // Hardware time at which the display first showed the line; -1 when it did not.
    qint64 timeOf(const char *line) const { return lineTimes.value(lines.indexOf(QLatin1String(line)), -1); }

    // The panel is declared last, so that it goes before its controller and display.
    std::unique_ptr<PtxSim::Simulator> sim;
    QStringList lines;          // the display's lines
    QList<qint64> lineTimes;    // hardware time at which each was shown
    KelInterface kel{QString()};

};
