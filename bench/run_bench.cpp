// run_bench: how many work ticks a recipe run takes from START to "RECIPE DONE!" on the
// simulated controller with instant motion, the tick stepped by hand.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
#include "recipe/runestimate.h"
#include "recipe/runnerstates.h"
#include "simulator/simulator.h"
#include "telemetry/mqttlink.h"
#include "telemetry/paneltelemetry.h"
#include "tools/eventwait.h"
#include "tools/localbroker.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <tuple>

namespace {

constexpr int Entries = 200;
constexpr int TrafficWaitMs = 2000;
constexpr int StartUpTicks = 5000;
constexpr int RunTickLimit = 100000;
constexpr qint64 InstantMotionMs = 1000000;   // hardware time passed per tick
constexpr int BrokerConnectMs = 10000;

// The least the runner and the status polling allow, one packet per tick. An XY entry whose
// speed is in force sends its X and Y moves; it ends only when a busy-mask read sent after
// them answers idle, and its dwell of one tick starts in the tick that sees the answer. The
// first entry also sends both speeds and the speed read-back, since a run starts knowing no
// speed in force.
constexpr int EntryPackets = 2;
constexpr int BusyReads = 1;
constexpr int DwellTicks = 1;
constexpr int FirstEntrySpeedPackets = 3;
// Ticks outside the entries: START, the Z and XY load-point states and the load prompt
// (RESUME pressed at once), the resumed, choose and run states; after the last entry the
// two load-point states and the end.
constexpr int StartTicks = 7;
constexpr int EndTicks = 3;
// The raster run at the real tick: 20 x 20 points 1 mm apart at the configured speed.
constexpr int RasterSide = 20;
constexpr int RasterRunLimitMs = 900000;
constexpr double RefreshGoalPerSecond = 4.0;
constexpr double MsPerSecond = 1000.0;

bool waitFor(const std::function<bool()> &condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > TrafficWaitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// One work tick. The packet it sends is let through to the controller, and an awaited reply
// back to the panel, before the controller's hardware moves on (far enough to end any move).
void tick(KelInterface &kel, PtxSim::Simulator &sim)
{
    const int received = sim.total();
    const int replies = sim.repliesSent();
    const bool idle = !kel.awaitingReply();
    const bool queued = !kel.pendingCommands().isEmpty();
    kel.tick();
    // A tick sends one packet at most, and only when no reply is awaited: the oldest command
    // queued, or else the first one the tick itself queued.
    if (idle && (queued || kel.awaitingReply() || !kel.pendingCommands().isEmpty()))
        waitFor([&] { return sim.total() > received; });
    // A module the controller lacks never answers; its command times out tick by tick.
    if (kel.awaitingReply() && sim.repliesSent() > replies)
        waitFor([&] { return !kel.awaitingReply(); });
    QCoreApplication::processEvents();
    sim.advance(InstantMotionMs);
    QCoreApplication::processEvents();
}

// The run's own time of motion and dwells: the time model without the runner's costs.
double motionAndDwellMs(const KelInterface &kel, const PtxSim::Simulator &sim)
{
    QVector<recipePointStruct> entries;
    for (int i = 0; i < kel.compiledPointCount(); ++i)
        entries << kel.compiledPoint(i);
    Ptx::RunSetup setup;
    std::tie(setup.stageX, setup.stageY) = std::make_tuple(sim.axisPosition(Ptx::DevX) / setup.stepsPerMMxy,
                                                           sim.axisPosition(Ptx::DevY) / setup.stepsPerMMxy);
    Ptx::RunTimings bare;
    bare.motionEntryTicks = bare.wheelEntryTicks = bare.exposureEntryTicks = bare.shutterEntryTicks =
        bare.pauseEntryTicks = bare.speedXYTicks = bare.speedZTicks = 0.0;
    double ms = 0.0;
    for (double entryMs : Ptx::entryTimesMs(entries, setup, bare))
        ms += entryMs;
    return ms;
}

// A 1 mm raster of 400 points with the work tick on its real 25 ms timer and the controller's
// hardware on the wall clock: the run's time against its motion and dwells, and how often
// each status value shown on the screen was read meanwhile.
bool rasterAtTheRealTick(KelInterface &kel, PtxSim::Simulator &sim)
{
    sim.setManualClock(false);
    kel.setRecipe({QStringLiteral("DELAY %1").arg(Ptx::RecipeTickMs),
                   QStringLiteral("RASTER 0,0,1,1,%1,%1").arg(RasterSide - 1)});
    kel.ScanRecipe();
    const double ownMs = motionAndDwellMs(kel, sim);
    // Every read the controller gets, by device, index and data, with the times it came.
    std::map<std::tuple<int, int, qint32>, QList<qint64>> reads;
    QElapsedTimer clock;
    bool inEntries = false;
    qint64 runMs = 0;
    QObject::connect(&sim, &PtxSim::Simulator::packetReceived, &kel, [&](const PtxSim::Packet &k) {
        if (inEntries && k.cmd == Ptx::CmdRead)
            reads[{k.dev, k.index, k.value()}] << clock.elapsed();
    });
    // The work tick on a timer of the interface's own period; a loaded machine delivers ticks
    // late, and the mean period shows how far.
    int ticks = 0;
    QTimer tickTimer;
    QObject::connect(&tickTimer, &QTimer::timeout, &kel, [&] {
        kel.tick();
        ticks += inEntries && runMs == 0 ? 1 : 0;
    });
    kel.initRecipe();
    kel.startRecipe();
    tickTimer.start(Ptx::TickMs);
    QElapsedTimer limit;
    limit.start();
    while (kel.isRecipeRunning() && limit.elapsed() < RasterRunLimitMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (!kel.operatorPrompt().isEmpty())
            kel.recipeContinue();
        if (!inEntries && kel.runProgress().entry > 0) {
            inEntries = true;
            clock.start();
        }
        // Past the last entry the run goes back to the load points.
        if (inEntries && runMs == 0 && kel.runProgress().entry == 0)
            runMs = clock.elapsed();
    }
    tickTimer.stop();
    if (kel.isRecipeRunning() || runMs == 0)
        return false;
    std::printf("\nrun of a 1 mm raster of %d points (DELAY %d), real 25 ms tick, real motion\n",
                kel.compiledPointCount(), Ptx::RecipeTickMs);
    std::printf("  run time of the entries:      %.1f s, %d ticks (mean period %.1f ms)\n", runMs / MsPerSecond,
                ticks, double(runMs) / std::max(1, ticks));
    std::printf("  motion and dwells:            %.1f s\n", ownMs / MsPerSecond);
    std::printf("  run against motion and dwell: %.2f times (goal: under 1.5)\n", runMs / ownMs);
    std::printf("  status reads during the entries (goal: each at least %.0f a second):\n", RefreshGoalPerSecond);
    for (const auto &[key, times] : reads) {
        qint64 longest = times.first();
        for (int i = 1; i < times.size(); ++i)
            longest = std::max(longest, times.at(i) - times.at(i - 1));
        longest = std::max(longest, runMs - times.last());
        std::printf("    device %2d index %3d data %8d: %6.2f a second, longest gap %4lld ms\n",
                    std::get<0>(key), std::get<1>(key), std::get<2>(key), times.size() * MsPerSecond / runMs,
                    static_cast<long long>(longest));
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);
    // The interface reads and writes "config.xml" in the working directory.
    QTemporaryDir workDir;
    if (!workDir.isValid() || !QDir::setCurrent(workDir.path())) {
        std::fprintf(stderr, "no working folder\n");
        return 1;
    }

    // With --telemetry the panel publishes to a broker of its own, as a panel with telemetry
    // set up does.
    const bool withTelemetry = QCoreApplication::arguments().contains(QStringLiteral("--telemetry"));
    Ptx::LocalBroker broker;
    Ptx::TelemetrySettings telemetrySettings;
    if (withTelemetry) {
        if (!broker.start()) {
            std::fprintf(stderr, "mosquitto does not start\n");
            return 1;
        }
        telemetrySettings.enabled = true;
        telemetrySettings.broker = broker.address();
    }

    PtxSim::Simulator sim;
    sim.setManualClock(true);
    if (!sim.listen()) {
        std::fprintf(stderr, "simulator cannot listen\n");
        return 1;
    }
    auto *kel = new KelInterface(QStringLiteral("127.0.0.1:1"));
    MainWindow window(kel);
    Ptx::PanelTelemetry telemetry(telemetrySettings, kel);
    QObject::connect(&window, &MainWindow::displayLineAdded, &telemetry,
                     &Ptx::PanelTelemetry::publishDisplayLine);
    if (withTelemetry
        && !Ptx::waitFor([&] { return telemetry.mqttLink()->isConnected(); }, BrokerConnectMs)) {
        std::fprintf(stderr, "no connection to the broker\n");
        return 1;
    }
    kel->setTickPeriod(0);
    if (!kel->openConnection(sim.clientAddress()) || !waitFor([&] { return kel->receiveState() == KelInterface::ReceiveState::RxHunt; })) {
        std::fprintf(stderr, "no log-in\n");
        return 1;
    }
    for (int i = 0; i < StartUpTicks && kel->currentInterfaceState() != KelInterface::InterfaceState::INT_NORMAL; ++i)
        tick(*kel, sim);

    QStringList recipe{QStringLiteral("DELAY %1").arg(Ptx::RecipeTickMs)};
    for (int i = 0; i < Entries; ++i)
        recipe << QStringLiteral("POINT %1,%2").arg(i % 20).arg(i / 20);
    kel->setRecipe(recipe);
    bool done = false;
    QObject::connect(kel, &KelInterface::addDispLine, [&](const QString &line) {
        done = done || line == QLatin1String("RECIPE DONE!");
    });

    window.findChild<QPushButton *>(QStringLiteral("butStart"))->click();
    int ticks = 0;
    int firstEntry = -1;
    int entriesEnd = -1;
    const int packetsBefore = sim.total();
    while (!done && ticks < RunTickLimit) {
        tick(*kel, sim);
        ++ticks;
        if (!kel->operatorPrompt().isEmpty())
            kel->recipeContinue();   // the operator's RESUME, at once
        // The entries start with the tick that loads the first one's speeds, and end with the
        // tick that leaves the last one for the load points.
        const bool inEntries = kel->runProgress().entry > 0;
        if (firstEntry < 0 && inEntries)
            firstEntry = ticks;
        if (entriesEnd < 0 && firstEntry >= 0 && !inEntries)
            entriesEnd = ticks;
    }
    const int entryTicks = entriesEnd - firstEntry;
    const int leastPerEntry = EntryPackets + BusyReads + DwellTicks;
    const int least = StartTicks + FirstEntrySpeedPackets + Entries * leastPerEntry + EndTicks;
    std::printf("run of %d POINT entries (DELAY %d, the shortest dwell that does not wait for the "
                "operator), stepped tick, instant motion\n", Entries, Ptx::RecipeTickMs);
    std::printf("  telemetry:                    %s\n",
                withTelemetry ? qPrintable(QStringLiteral("on, to ") + broker.address()) : "off (--telemetry: on)");
    std::printf("  ticks START to RECIPE DONE!:  %d\n", ticks);
    std::printf("  ticks of the entries:         %d (%.2f per entry)\n", entryTicks, double(entryTicks) / Entries);
    std::printf("  packets sent in the run:      %d (%.2f per entry)\n", sim.total() - packetsBefore,
                double(sim.total() - packetsBefore) / Entries);
    std::printf("  least per entry:              %d = %d moves + %d busy-mask read + %d dwell tick (goal: "
                "at most 4 per entry)\n", leastPerEntry, EntryPackets, BusyReads, DwellTicks);
    std::printf("  least for the run:            %d = %d + %d first speeds + %d x %d + %d\n", least, StartTicks,
                FirstEntrySpeedPackets, Entries, leastPerEntry, EndTicks);
    std::printf("  run against least:            %+.2f %% (goal: within 5 %%)\n", 100.0 * (ticks - least) / least);
    if (!done)
        return 1;
    // "--stepped" measures the stepped run alone (a few seconds instead of a few minutes).
    if (app.arguments().contains(QStringLiteral("--stepped")))
        return 0;
    return rasterAtTheRealTick(*kel, sim) ? 0 : 1;
}
