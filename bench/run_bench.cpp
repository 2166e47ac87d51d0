// run_bench: how many work ticks a recipe run takes from START to "RECIPE DONE!" on the
// simulated controller with instant motion, the tick stepped by hand.
#include "app/mainwindow.h"
#include "controller/kelinterface.h"
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
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr int Entries = 200;
constexpr int AwaitingReply = 2;        // command step state
constexpr int TrafficWaitMs = 2000;
constexpr int StartUpTicks = 5000;
constexpr int RunTickLimit = 100000;
constexpr qint64 InstantMotionMs = 1000000;   // hardware time passed per tick
constexpr int BrokerConnectMs = 10000;

// The least the runner's state table and the status polling allow, one packet per tick.
// An XY entry queues three packets when it is loaded (both speeds, then the speed read-back
// it waits on) and two when it is issued (the X and Y moves). It ends only when a busy-mask
// read sent after its moves answers idle; busy-mask reads are a whole polling cycle apart,
// and the cycle's other reads go out between them, so an entry costs at least its own
// packets plus one polling cycle.
constexpr int EntryPackets = 3 + 2;
// Ticks outside the entries: START, the Z and XY load-point states and the load prompt
// (RESUME pressed at once), the resumed, choose and run states; after the last entry the
// two load-point states and the end.
constexpr int StartTicks = 7;
constexpr int EndTicks = 3;
constexpr int ShutterReads = 3;
constexpr int WheelReads = 2;

int pollingCyclePackets(KelInterface &kel)
{
    int packets = 1;   // the busy mask
    if (kel.getModPresent(Ptx::DevWheel1))
        packets += WheelReads + ShutterReads;
    for (unsigned int axis : {Ptx::DevX, Ptx::DevY, Ptx::DevZ})
        packets += kel.getModPresent(axis) ? 1 : 0;
    return packets;
}

class BenchInterface : public KelInterface
{
public:
    BenchInterface() : KelInterface(QStringLiteral("127.0.0.1:1")) {}
    using KelInterface::cmdBufState;
    using KelInterface::cmdBufTail;
    using KelInterface::commandBuffer;
    using KelInterface::connectionState;
    using KelInterface::interfaceState;
    using KelInterface::onTimer;
    using KelInterface::recipeState;
    using KelInterface::timer;
    qint64 bytesToWrite() const { return tcpSocket->bytesToWrite(); }
    // Small packets leave at once rather than waiting for the previous one's acknowledgement.
    void sendAtOnce() { tcpSocket->setSocketOption(QAbstractSocket::LowDelayOption, 1); }
};

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
void tick(BenchInterface &kel, PtxSim::Simulator &sim)
{
    const int received = sim.total();
    const int replies = sim.repliesSent();
    kel.onTimer();
    if (kel.bytesToWrite() > 0 || sim.total() == received)
        waitFor([&] { return sim.total() > received || kel.bytesToWrite() == 0; });
    // A module the controller lacks never answers; its command times out tick by tick.
    if (kel.cmdBufState == AwaitingReply && sim.repliesSent() > replies)
        waitFor([&] { return kel.commandBuffer[kel.cmdBufTail].done; });
    QCoreApplication::processEvents();
    sim.advance(InstantMotionMs);
    QCoreApplication::processEvents();
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
    auto *kel = new BenchInterface;
    MainWindow window(kel);
    Ptx::PanelTelemetry telemetry(telemetrySettings, kel);
    QObject::connect(&window, &MainWindow::displayLineAdded, &telemetry,
                     &Ptx::PanelTelemetry::publishDisplayLine);
    if (withTelemetry
        && !Ptx::waitFor([&] { return telemetry.mqttLink()->isConnected(); }, BrokerConnectMs)) {
        std::fprintf(stderr, "no connection to the broker\n");
        return 1;
    }
    if (!kel->openConnection(sim.clientAddress()) || !waitFor([&] { return kel->connectionState == 3; })) {
        std::fprintf(stderr, "no log-in\n");
        return 1;
    }
    kel->timer->stop();
    kel->sendAtOnce();
    for (int i = 0; i < StartUpTicks && kel->interfaceState != KelInterface::INT_NORMAL; ++i)
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
        if (kel->recipeState == Ptx::RCP_WAIT_LOAD)
            kel->recipeContinue();   // the operator's RESUME, at once
        if (firstEntry < 0 && kel->recipeState == Ptx::RCP_ISSUE_ENTRY)
            firstEntry = ticks - 1;
        if (entriesEnd < 0 && firstEntry >= 0 && kel->recipeState == Ptx::RCP_LOADZ)
            entriesEnd = ticks;
    }
    const int entryTicks = entriesEnd - firstEntry;
    const int cycle = pollingCyclePackets(*kel);
    const int leastPerEntry = EntryPackets + cycle;
    const int least = StartTicks + Entries * leastPerEntry + EndTicks;
    std::printf("run of %d POINT entries (DELAY %d, the shortest dwell that does not wait for the "
                "operator), stepped tick, instant motion\n", Entries, Ptx::RecipeTickMs);
    std::printf("  telemetry:                    %s\n",
                withTelemetry ? qPrintable(QStringLiteral("on, to ") + broker.address()) : "off (--telemetry: on)");
    std::printf("  ticks START to RECIPE DONE!:  %d\n", ticks);
    std::printf("  ticks of the entries:         %d (%.2f per entry)\n", entryTicks, double(entryTicks) / Entries);
    std::printf("  packets sent in the run:      %d (%.2f per entry)\n", sim.total() - packetsBefore,
                double(sim.total() - packetsBefore) / Entries);
    std::printf("  least per entry:              %d = %d entry packets + %d polling reads\n",
                leastPerEntry, EntryPackets, cycle);
    std::printf("  least for the run:            %d = %d + %d x %d + %d\n", least, StartTicks,
                Entries, leastPerEntry, EndTicks);
    std::printf("  run against least:            %+.2f %% (goal: within 2 %%; the first entry may "
                "start in the middle of a polling cycle)\n", 100.0 * (ticks - least) / least);
    return done ? 0 : 1;
}
