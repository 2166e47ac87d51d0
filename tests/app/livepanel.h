// LivePanel: the main screen on its interface, connected to the simulated controller on
// loopback. Live, the interface ticks every millisecond and the hardware runs fast; stepped,
// the test runs each work tick and the hardware moves on by the tick's time.
#pragma once

#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "simulator/simulator.h"
#include "support/findwidget.h"
#include "support/stepping.h"

#include <QTextEdit>

#include <functional>
#include <memory>

namespace LiveTest {
constexpr int TickMs = 1;
constexpr int Stepped = 0;           // tick period of a panel the test steps
constexpr double HardwareSpeedUp = 25.0;
constexpr int StartUpMs = 20000;
constexpr int StartUpTicks = 3000;   // the settling, the module scan and the system check
constexpr qint32 StepsPerMM = 10000;

using Stepping::waitUntil;

// A controller with every module fitted, so that the start-up's module scan meets no silent
// module: the panel waits ten ticks for each, and the packet after one waits for the
// controller's delayed acknowledgement (some 40 ms).
inline PtxSim::Options everyModule()
{
    PtxSim::Options options;
    options.modules.clear();
    for (int m = Ptx::DevX; m < Ptx::ModuleLimit; ++m)
        options.modules << m;
    return options;
}

// A simulated controller and a panel pointed at it: live (tickMs above 0) or stepped.
struct LivePanel {
    explicit LivePanel(const PtxSim::Options &options = everyModule(), int tickMs = TickMs)
        : sim(options), listening(sim.listen()),
          window(std::make_unique<MainWindow>(new KelInterface(sim.clientAddress()))), kel(window->kelInterface())
    {
        sim.setTimeScale(HardwareSpeedUp);
        sim.setManualClock(tickMs == Stepped);
        kel->setTickPeriod(tickMs);
        // A settings file left in the folder names an earlier controller.
        if (kel->getIpAddr() != sim.clientAddress())
            kel->setIpAddr(sim.clientAddress());
    }
    QPushButton *b(const char *name) const { return findWidget(*window, QLatin1String(name)); }
    QString messages() const { return window->findChild<QTextEdit *>()->toPlainText(); }
    bool text(const char *name, const char *expected) const { return b(name)->text() == QLatin1String(expected); }
    // Presses the connection button and waits for the system check to pass; stepped, until
    // the interface is in normal operation.
    bool connectPanel()
    {
        b("pushButton")->click();
        if (kel->tickPeriod() != Stepped)
            return waitUntil([this] { return text("pushButton", "DISCONNECT"); }, StartUpMs);
        return waitUntil([this] { return kel->receiveState() == KelInterface::ReceiveState::RxHunt; })
               && stepUntil([this] { return kel->currentInterfaceState() == KelInterface::InterfaceState::INT_NORMAL; }, StartUpTicks);
    }

    // One work tick. A command sent to a module that answers has its reply taken before the
    // hardware moves on by the tick's time.
    void step()
    {
        kel->tick();
        waitUntil([this] { return !Stepping::replyDue(*kel, sim); });
        Stepping::pump();
        sim.advance(Ptx::TickMs);
    }
    bool stepUntil(const std::function<bool()> &condition, int maxTicks = StartUpTicks)
    {
        return Stepping::stepUntil(condition, maxTicks, [this] { step(); });
    }

    PtxSim::Simulator sim;
    bool listening;
    std::unique_ptr<MainWindow> window;
    KelInterface *kel;   // owned by the window
};
} // namespace LiveTest

using namespace LiveTest;
